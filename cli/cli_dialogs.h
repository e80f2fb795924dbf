#pragma once

#include <iostream>

#include "firmware/dialogs.h"

namespace velmora::cli {

// The command line's person: log lines to standard output, refusals to
// standard error, questions answered by flags.
class CliDialogs : public Dialogs {
  public:
    bool answerMove = false;     // --move
    bool answerConfirm = false;  // --force
    bool refused = false;        // an error box was shown
    bool confirmationDeclined = false;
    std::optional<std::string> saveChoice;  // the OUTPUT argument

    // Lines reach the terminal whenever the window would repaint (the bar moves,
    // a try's line is shown) and before anything goes to standard error, not
    // one write each: a scan may log hundreds of thousands of lines.
    void log(const std::string& line) override { std::cout << line << '\n'; }
    void repaintLog() override { std::cout.flush(); }
    void progress(int) override { std::cout.flush(); }
    bool askYesNo(const std::string& caption, const std::string& text) override;
    void error(const std::string& caption, const std::string& text) override;
    void information(const std::string&, const std::string&) override {}
    std::optional<std::string> chooseOpenFile(const std::string&) override { return std::nullopt; }
    std::optional<std::string> chooseSaveFile(const std::string&, const std::string&) override {
        return saveChoice;
    }
    void openWithDesktop(const std::string&) override {}
};

}  // namespace velmora::cli
