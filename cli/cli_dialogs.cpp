#include "cli/cli_dialogs.h"

namespace velmora::cli {

bool CliDialogs::askYesNo(const std::string& caption, const std::string& text) {
    std::cout.flush();
    if (caption == "Move picture?") return answerMove;
    if (caption == "Confirmation") {
        if (!answerConfirm) {
            confirmationDeclined = true;
            std::cerr << "Confirmation: " << text
                      << "\nNot confirmed (use --force); nothing written.\n";
        }
        return answerConfirm;
    }
    return false;
}

void CliDialogs::error(const std::string& caption, const std::string& text) {
    refused = true;
    std::cout.flush();
    std::cerr << caption << ": " << text << '\n';
}

}  // namespace velmora::cli
