#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace velmora {

// Everything the core says to or asks of the person. The window implements it
// with real dialogs, the command line with its flags, the tests with scripted
// answers.
class Dialogs {
  public:
    virtual ~Dialogs() = default;

    // Adds one line at the end of the processing log.
    virtual void log(const std::string& line) = 0;
    // Makes the last log lines visible at once (between conversion tries).
    virtual void repaintLog() {}
    // Sets the progress bar (0..100) and lets the window process pending events.
    virtual void progress(int percent) = 0;

    // A Yes/No box without icon; true only for Yes.
    virtual bool askYesNo(const std::string& caption, const std::string& text) = 0;
    // A box with the error icon and an OK button.
    virtual void error(const std::string& caption, const std::string& text) = 0;
    // A box with the information icon and an OK button.
    virtual void information(const std::string& caption, const std::string& text) = 0;

    // File choices; nullopt when the person cancels. filter is "desc|patterns|desc|patterns".
    virtual std::optional<std::string> chooseOpenFile(const std::string& filter) = 0;
    virtual std::optional<std::string> chooseSaveFile(const std::string& filter,
                                                      const std::string& proposedName) = 0;

    // Hands a file to the desktop's associated application; nothing is reported.
    virtual void openWithDesktop(const std::string& path) = 0;
};

// The caption of the box that reports a failed file operation.
inline constexpr std::string_view kIoErrorCaption = "I/O error";

}  // namespace velmora
