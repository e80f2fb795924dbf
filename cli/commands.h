// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

#include "catalogue/session.h"
#include "cli/cli_dialogs.h"

namespace velmora::cli {

struct UsageError {
    std::string message;
};

// The arguments after the command name, with the common options taken out.
struct Arguments {
    std::vector<std::string> positional;
    std::vector<std::string> flags;  // "--move", "--colors=256", ...
};

// Refuses, as wrong usage, the first flag that is not one of known: "unknown
// option --jsn" (a value option is named without its value).
void refuseUnknownOptions(const Arguments& args, const std::vector<std::string>& known);

// Each command runs the analysis first, exactly as "Open Firmware file" does,
// and returns the exit code.
int runAnalyze(Session& session, CliDialogs& ui, const Arguments& args);
int runExtract(Session& session, CliDialogs& ui, const Arguments& args);
int runTga(Session& session, CliDialogs& ui, const Arguments& args);
// The picture as decoded, at its stored size, as OUTPUT.png.
int runPng(Session& session, CliDialogs& ui, const Arguments& args);
int runReplace(Session& session, CliDialogs& ui, const Arguments& args);
// Puts FIRMWARE.orig back and analyses the restored firmware.
int runRestore(Session& session, CliDialogs& ui, const Arguments& args);

}  // namespace velmora::cli
