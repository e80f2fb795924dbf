// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <iostream>

#include "catalogue/work_control.h"
#include "person/dialogs.h"
#include "person/outcome.h"

namespace velmora::cli {

// The command line's person: log lines to standard output, refusals to
// standard error, questions answered by the options.
class CliDialogs : public Dialogs {
  public:
    bool answerMove = false;                // --move answers "Move picture?"
    bool answerConfirm = false;             // --force answers "Confirmation"
    bool answerAnyFormat = false;           // --any-format answers "Different picture format"
    bool answerNoBackup = false;            // --no-backup: replace even without NAME.orig
    std::optional<std::string> saveChoice;  // the OUTPUT argument
    std::ostream* logStream = &std::cout;
    // Ctrl+C: a replacement is not written once it was pressed.
    const WorkControl* control = nullptr;

    // Lines reach the terminal whenever the window would repaint (the bar moves,
    // a try's line is shown) and before anything goes to standard error, not
    // one write each: a scan may log hundreds of thousands of lines.
    void log(const std::string& line) override { *logStream << line << '\n'; }
    void repaintLog() override { logStream->flush(); }
    void progress(int) override { logStream->flush(); }
    Answer ask(Question question, const std::string& caption, const std::string& text) override;
    void error(const std::string& caption, const std::string& text) override;
    void information(const std::string&, const std::string&) override {}
    // Every file the command line works on is named among its arguments.
    std::optional<std::string> chooseOpenFile(const std::string&) override { return {}; }
    std::optional<std::string> chooseSaveFile(const std::string&, const std::string&) override {
        return saveChoice;
    }
    void openWithDesktop(const std::string&) override {}
    Answer approveReplacement(const PendingReplacement&) override {
        return control != nullptr && control->cancelRequested() ? Answer::Cancelled : Answer::Yes;
    }
};

// The command line's adapter: tells the person how the action ended (standard
// error, log lines) and gives the exit code.
[[nodiscard]] int finish(const Outcome& outcome, CliDialogs& ui);

inline constexpr int kExitOk = 0;
inline constexpr int kExitRefused = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitCancelled = 130;  // as a shell reports a program stopped by Ctrl+C

}  // namespace velmora::cli
