// SPDX-License-Identifier: GPL-3.0-or-later
#include <string>

#include "catalogue/analysis.h"
#include "cli/commands.h"
#include "cli/picture_selection.h"
#include "media/picture_actions.h"

namespace velmora::cli {
namespace {

using SaveAction = Outcome (*)(const Session&, Dialogs&);

// FIRMWARE N OUTPUT: analyse, select grid row N, run the save action with
// OUTPUT as the answer to its save dialog.
int runSave(Session& session, CliDialogs& ui, const Arguments& args, const char* command,
            SaveAction save) {
    refuseUnknownOptions(args, {});
    if (args.positional.size() != 3 || !args.flags.empty())
        throw UsageError{std::string(command) + " takes FIRMWARE N OUTPUT"};
    const int number = pictureNumber(args.positional[1]);
    const Outcome analysed = analyzeFirmware(session, ui, args.positional[0]);
    if (!analysed.isDone()) return finish(analysed, ui);
    selectPicture(session, number);
    ui.saveChoice = args.positional[2];
    return finish(save(session, ui), ui);
}

}  // namespace

// "Save MPEG video" of grid row N.
int runExtract(Session& session, CliDialogs& ui, const Arguments& args) {
    return runSave(session, ui, args, "extract", Savevideo1Click);
}

// "Save TGA picture" of grid row N as OUTPUT.tga (OUTPUT when it ends so).
int runTga(Session& session, CliDialogs& ui, const Arguments& args) {
    return runSave(session, ui, args, "tga", Savepicture1Click);
}

// "Save as PNG…" of grid row N: the picture as decoded, at its stored size.
int runPng(Session& session, CliDialogs& ui, const Arguments& args) {
    return runSave(session, ui, args, "png", savePng);
}

}  // namespace velmora::cli
