// SPDX-License-Identifier: GPL-3.0-or-later
#include <iostream>

#include "catalogue/analysis.h"
#include "cli/analysis_json.h"
#include "cli/commands.h"

namespace velmora::cli {

int runAnalyze(Session& session, CliDialogs& ui, const Arguments& args) {
    refuseUnknownOptions(args, {"--json"});
    const bool json = args.flags == std::vector<std::string>{"--json"};
    if (args.positional.size() != 1 || (!args.flags.empty() && !json))
        throw UsageError{"analyze takes one FIRMWARE"};
    // Standard output carries the JSON document alone; the log goes beside it.
    if (json) ui.logStream = &std::cerr;
    const Outcome analysed = analyzeFirmware(session, ui, args.positional[0]);
    if (!analysed.isDone()) return finish(analysed, ui);
    if (json) {
        std::string document;
        const Outcome described = guardIo([&] {
            document = analysisJson(session);
            return Outcome::done();
        });
        if (!described.isDone()) return finish(described, ui);
        std::cout << document;
        return kExitOk;
    }
    for (int i = 0; i < session.PictureCount; ++i) {
        const auto cells = gridRow(session.PictureTable[static_cast<std::size_t>(i)], i + 1);
        std::cout << cells[0] << '\t' << cells[1] << '\t' << cells[2] << '\t' << cells[3] << '\t'
                  << cells[4] << '\n';
    }
    return kExitOk;
}

}  // namespace velmora::cli
