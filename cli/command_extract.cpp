#include <string>

#include "cli/commands.h"
#include "firmware/io_error.h"
#include "media/picture_actions.h"

namespace velmora::cli {
namespace {

// N of the command line: a grid row of the analysed firmware, 1-based.
int pictureNumber(const std::string& text) {
    if (text.empty() || text.size() > 3 ||
        text.find_first_not_of("0123456789") != std::string::npos)
        throw UsageError{"N must be a picture number, not '" + text + "'"};
    return std::stoi(text);
}

void selectPicture(Session& session, int number) {
    if (number < 1 || number > session.PictureCount)
        throw UsageError{"there is no picture " + std::to_string(number) + " (the firmware holds " +
                         std::to_string(session.PictureCount) + ")"};
    session.SelectedPicture = number - 1;
}

}  // namespace

// "Save MPEG video" of grid row N; OUTPUT answers the save dialog.
int runExtract(Session& session, CliDialogs& ui, const Arguments& args) {
    if (args.positional.size() != 3 || !args.flags.empty())
        throw UsageError{"extract takes FIRMWARE N OUTPUT"};
    const int number = pictureNumber(args.positional[1]);
    if (!analyzeForCommand(session, ui, args.positional[0])) return kExitRefused;
    selectPicture(session, number);
    ui.saveChoice = args.positional[2];
    try {
        Savevideo1Click(session, ui);
    } catch (const IoError& e) {
        ui.error(std::string(kIoErrorCaption), e.what());
    }
    return ui.refused ? kExitRefused : kExitOk;
}

}  // namespace velmora::cli
