#pragma once

#include <string>
#include <vector>

#include "catalogue/session.h"
#include "cli/cli_dialogs.h"

namespace velmora::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitRefused = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitCancelled = 130;  // Ctrl+C: nothing was written

struct UsageError {
    std::string message;
};

// The arguments after the command name, with the common options taken out.
struct Arguments {
    std::vector<std::string> positional;
    std::vector<std::string> flags;  // "--move", "--colors=256", ...
};

// Each command runs the analysis first, exactly as "Open Firmware file" does.
int runAnalyze(Session& session, CliDialogs& ui, const Arguments& args);
int runExtract(Session& session, CliDialogs& ui, const Arguments& args);
int runTga(Session& session, CliDialogs& ui, const Arguments& args);
int runReplace(Session& session, CliDialogs& ui, const Arguments& args);

// Analyses FIRMWARE as the first step of every command; false on an I/O error
// (already reported on standard error).
bool analyzeForCommand(Session& session, CliDialogs& ui, const std::string& firmware);

}  // namespace velmora::cli
