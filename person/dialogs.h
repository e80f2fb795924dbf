// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

// What a question asks, so that a front end answers it by what it means and
// never by its caption text.
enum class Question {
    MovePicture,           // "Move picture?": write the new picture into the unoccupied area
    Confirmation,          // "Confirmation": write a stream larger than its room
    DifferentFormat,       // "Different picture format": write a stream unlike the picture
    Overwrite,             // a file of the chosen name exists already
    ReplaceWithoutBackup,  // the original cannot be kept as NAME.orig: write all the same
    Restore,               // put NAME.orig back in place of the firmware
    WriteChanges,          // the regions a replacement changes, shown before it writes
    CancelWork,            // closing the window while it works: cancel the work
};

// Cancelled: the box was closed without an answer (Escape, the title bar).
enum class Answer { Yes, No, Cancelled };

// Bytes of the firmware file a replacement changes, as stored.
struct ChangedRegion {
    std::int64_t offset = 0;
    std::int64_t length = 0;
    std::string what;  // "picture stream", "sector table", ...
};

// A replacement that is ready to be written: what it changes and the new
// picture's stream, for a last look before the commit.
struct PendingReplacement {
    std::vector<ChangedRegion> regions;
    std::vector<std::uint8_t> stream;
    int kind = 0;
    int width = 0;
    int height = 0;
    int number = 0;  // the grid row
};

// Everything the core says to or asks of the person. The window implements it
// with real dialogs, the command line with its options, the tests with
// scripted answers.
class Dialogs {
  public:
    virtual ~Dialogs() = default;

    // Adds one line at the end of the processing log.
    virtual void log(const std::string& line) = 0;
    // Makes the last log lines visible at once (between conversion tries).
    virtual void repaintLog() {}
    // Sets the progress bar (0..100).
    virtual void progress(int percent) = 0;

    // A Yes/No box without icon.
    virtual Answer ask(Question question, const std::string& caption, const std::string& text) = 0;
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

    // Called once a replacement is verified, right before it is written.
    virtual Answer approveReplacement(const PendingReplacement&) { return Answer::Yes; }

    // The replacement is about to write (the backup, then the firmware): returns
    // once writing may start, when no other question of the front end stands
    // open. Yes goes on; anything else writes nothing. endWriting() follows a
    // Yes once the writing is over.
    virtual Answer beginWriting() { return Answer::Yes; }
    virtual void endWriting() {}
};

// The caption of the box that reports a failed file operation.
inline constexpr std::string_view kIoErrorCaption = "I/O error";

}  // namespace velmora
