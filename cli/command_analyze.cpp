#include <iostream>

#include "catalogue/analysis.h"
#include "cli/commands.h"

namespace velmora::cli {

int runAnalyze(Session& session, CliDialogs& ui, const Arguments& args) {
    if (args.positional.size() != 1 || !args.flags.empty())
        throw UsageError{"analyze takes one FIRMWARE"};
    const Outcome analysed = analyzeFirmware(session, ui, args.positional[0]);
    if (!analysed.isDone()) return finish(analysed, ui);
    for (int i = 0; i < session.PictureCount; ++i) {
        const auto cells = gridRow(session.PictureTable[static_cast<std::size_t>(i)], i + 1);
        std::cout << cells[0] << '\t' << cells[1] << '\t' << cells[2] << '\t' << cells[3] << '\t'
                  << cells[4] << '\n';
    }
    return kExitOk;
}

}  // namespace velmora::cli
