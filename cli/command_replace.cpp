#include <iostream>
#include <map>
#include <optional>
#include <string>

#include "cli/commands.h"
#include "cli/picture_selection.h"
#include "convert/source_intake.h"
#include "firmware/io_error.h"
#include "rewrite/replace_picture.h"

namespace velmora::cli {
namespace {

// The person of the command line, who picks SOURCE in "Open Image file".
class SourceChooser : public Dialogs {
  public:
    SourceChooser(CliDialogs& ui, std::string source) : ui_(ui), source_(std::move(source)) {}

    void log(const std::string& line) override { ui_.log(line); }
    void progress(int percent) override { ui_.progress(percent); }
    bool askYesNo(const std::string& caption, const std::string& text) override {
        return ui_.askYesNo(caption, text);
    }
    void error(const std::string& caption, const std::string& text) override {
        ui_.error(caption, text);
    }
    void information(const std::string& caption, const std::string& text) override {
        ui_.information(caption, text);
    }
    std::optional<std::string> chooseOpenFile(const std::string&) override { return source_; }
    std::optional<std::string> chooseSaveFile(const std::string& filter,
                                              const std::string& proposedName) override {
        return ui_.chooseSaveFile(filter, proposedName);
    }
    void openWithDesktop(const std::string& path) override { ui_.openWithDesktop(path); }

  private:
    CliDialogs& ui_;
    std::string source_;
};

std::string valueOf(const std::string& flag, const std::string& name) {
    return flag.substr(name.size() + 1);
}

const std::map<std::string, ColorMode> kColors = {
    {"24", ColorMode::Colors24}, {"256", ColorMode::Colors256}, {"16", ColorMode::Colors16}};
const std::map<std::string, Rotation> kRotations = {
    {"90", Rotation::Rotate90}, {"180", Rotation::Rotate180}, {"270", Rotation::Rotate270}};

template <typename T>
T choice(const std::map<std::string, T>& choices, const std::string& value, const char* usage) {
    const auto it = choices.find(value);
    if (it == choices.end()) throw UsageError{usage};
    return it->second;
}

// Takes the replace options into the window's option controls and the
// answers to its questions.
void applyOptions(const std::vector<std::string>& flags, ReplaceOptions& options, CliDialogs& ui) {
    for (const std::string& flag : flags) {
        if (flag == "--move") {
            ui.answerMove = true;
        } else if (flag == "--force") {
            ui.answerConfirm = true;
        } else if (flag == "--no-spare") {
            options.UseSpareSpace = false;
        } else if (flag == "--greyscale") {
            options.Greyscale = true;
        } else if (flag == "--hmirror") {
            options.HMirror = true;
        } else if (flag == "--vmirror") {
            options.VMirror = true;
        } else if (flag.rfind("--colors=", 0) == 0) {
            options.Colors =
                choice(kColors, valueOf(flag, "--colors"), "--colors takes 24, 256 or 16");
        } else if (flag.rfind("--rotate=", 0) == 0) {
            options.Orientation =
                choice(kRotations, valueOf(flag, "--rotate"), "--rotate takes 90, 180 or 270");
        } else {
            throw UsageError{"replace does not know the option " + flag};
        }
    }
}

// "Open Image file" with SOURCE chosen; false when it was refused.
bool openSource(Session& session, CliDialogs& ui, const std::string& source) {
    SourceChooser chooser(ui, source);
    return openReplacementSource(session, chooser).has_value();
}

}  // namespace

int runReplace(Session& session, CliDialogs& ui, const Arguments& args) {
    if (args.positional.size() != 3) throw UsageError{"replace takes FIRMWARE N SOURCE"};
    const std::string& firmware = args.positional[0];
    const int number = pictureNumber(args.positional[1]);
    const std::string& source = args.positional[2];
    applyOptions(args.flags, session.Options, ui);

    if (!analyzeForCommand(session, ui, firmware)) return kExitRefused;
    selectPicture(session, number);

    try {
        if (!openSource(session, ui, source)) return kExitRefused;
    } catch (const IoError& failure) {
        ui.error(std::string(kIoErrorCaption), failure.what());
        return kExitRefused;
    }
    if (replacePicture(session, ui)) return kExitOk;
    return session.Control->cancelRequested() ? kExitCancelled : kExitRefused;
}

}  // namespace velmora::cli
