// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/commands.h"
#include "rewrite/restore_original.h"

namespace velmora::cli {

int runRestore(Session& session, CliDialogs& ui, const Arguments& args) {
    refuseUnknownOptions(args, {});
    if (args.positional.size() != 1 || !args.flags.empty())
        throw UsageError{"restore takes one FIRMWARE"};
    const Outcome restored = restoreOriginal(args.positional[0], ui);
    if (!restored.isDone()) return finish(restored, ui);
    // The restored file is analysed at once, as "analyze" shows it.
    return runAnalyze(session, ui, args);
}

}  // namespace velmora::cli
