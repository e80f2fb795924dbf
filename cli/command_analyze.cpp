#include <iostream>

#include "catalogue/analysis.h"
#include "cli/commands.h"
#include "firmware/io_error.h"

namespace velmora::cli {

bool analyzeForCommand(Session& session, CliDialogs& ui, const std::string& firmware) {
    try {
        analyzeFirmware(session, ui, firmware);
        return true;
    } catch (const IoError& e) {
        ui.error(std::string(kIoErrorCaption), e.what());
        return false;
    }
}

int runAnalyze(Session& session, CliDialogs& ui, const Arguments& args) {
    if (args.positional.size() != 1 || !args.flags.empty())
        throw UsageError{"analyze takes one FIRMWARE"};
    if (!analyzeForCommand(session, ui, args.positional[0])) return kExitRefused;
    for (int i = 0; i < session.PictureCount; ++i) {
        const auto cells = gridRow(session.PictureTable[static_cast<std::size_t>(i)], i + 1);
        std::cout << cells[0] << '\t' << cells[1] << '\t' << cells[2] << '\t' << cells[3] << '\t'
                  << cells[4] << '\n';
    }
    return kExitOk;
}

}  // namespace velmora::cli
