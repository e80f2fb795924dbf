// SPDX-License-Identifier: GPL-3.0-or-later
#include <algorithm>
#include <iostream>
#include <map>
#include <string>

#include "catalogue/analysis.h"
#include "cli/commands.h"
#include "cli/picture_selection.h"
#include "convert/source_intake.h"
#include "rewrite/firmware_lock.h"
#include "rewrite/replace_picture.h"

namespace velmora::cli {
namespace {

std::string valueOf(const std::string& flag, const std::string& name) {
    return flag.substr(name.size() + 1);
}

const std::map<std::string, ColorMode> kColors = {
    {"24", ColorMode::Colors24}, {"256", ColorMode::Colors256}, {"16", ColorMode::Colors16}};
const std::map<std::string, EncoderChoice> kEncoders = {{"builtin", EncoderChoice::Builtin},
                                                        {"tools", EncoderChoice::Tools}};
const std::map<std::string, FitMode> kFits = {
    {"stretch", FitMode::Stretch}, {"crop", FitMode::Crop}, {"fit", FitMode::Fit}};
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
        if (flag == "--dry-run" || flag == "--no-wait") {
            continue;  // not options of the window's controls
        } else if (flag == "--no-backup") {
            ui.answerNoBackup = true;
        } else if (flag == "--move") {
            ui.answerMove = true;
        } else if (flag == "--force") {
            ui.answerConfirm = true;
        } else if (flag == "--any-format") {
            ui.answerAnyFormat = true;
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
        } else if (flag.rfind("--encoder=", 0) == 0) {
            options.Encoder =
                choice(kEncoders, valueOf(flag, "--encoder"), "--encoder takes builtin or tools");
        } else if (flag.rfind("--fit=", 0) == 0) {
            options.Fit = choice(kFits, valueOf(flag, "--fit"), "--fit takes stretch, crop or fit");
        } else if (flag.rfind("--rotate=", 0) == 0) {
            options.Orientation =
                choice(kRotations, valueOf(flag, "--rotate"), "--rotate takes 90, 180 or 270");
        } else {
            throw UsageError{"replace does not know the option " + flag};
        }
    }
}

}  // namespace

int runReplace(Session& session, CliDialogs& ui, const Arguments& args) {
    if (args.positional.size() != 3) throw UsageError{"replace takes FIRMWARE N SOURCE"};
    const std::string& firmware = args.positional[0];
    const int number = pictureNumber(args.positional[1]);
    // The command line converts with the built-in encoder unless told otherwise.
    session.Options.Encoder = EncoderChoice::Builtin;
    applyOptions(args.flags, session.Options, ui);
    const bool dryRun =
        std::find(args.flags.begin(), args.flags.end(), "--dry-run") != args.flags.end();
    const bool noWait =
        std::find(args.flags.begin(), args.flags.end(), "--no-wait") != args.flags.end();

    // Another Velmora must not change the file from this analysis to the commit.
    Result<FirmwareLock> lock = FirmwareLock();
    if (!dryRun) {
        lock = lockFirmware(firmware, ui, *session.Control,
                            noWait ? WhenBusy::Refuse : WhenBusy::Wait);
        if (!lock.ok()) return finish(lock.outcome(), ui);
    }
    if (const Outcome analysed = analyzeFirmware(session, ui, firmware); !analysed.isDone())
        return finish(analysed, ui);
    selectPicture(session, number);
    const Result<ReplacementSource> source = acceptReplacementSource(args.positional[2], ui);
    if (!source.ok()) return finish(source.outcome(), ui);
    ReplacementTools tools;
    tools.lockFirmware = false;  // held since before the analysis
    return finish(replacePicture(selectedPicture(session), *source, session.Options, ui, tools,
                                 dryRun ? ReplaceMode::DryRun : ReplaceMode::Write)
                      .outcome,
                  ui);
}

}  // namespace velmora::cli
