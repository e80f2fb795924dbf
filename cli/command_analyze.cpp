#include <iostream>

#include "catalogue/analysis.h"
#include "cli/analysis_json.h"
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
    const bool json = args.flags == std::vector<std::string>{"--json"};
    if (args.positional.size() != 1 || (!args.flags.empty() && !json))
        throw UsageError{"analyze takes one FIRMWARE"};
    // Standard output carries the JSON document alone; the log goes beside it.
    if (json) ui.logStream = &std::cerr;
    if (!analyzeForCommand(session, ui, args.positional[0])) return kExitRefused;
    if (json) {
        try {
            std::cout << analysisJson(session);
            return kExitOk;
        } catch (const IoError& e) {
            ui.error(std::string(kIoErrorCaption), e.what());
            return kExitRefused;
        }
    }
    for (int i = 0; i < session.PictureCount; ++i) {
        const auto cells = gridRow(session.PictureTable[static_cast<std::size_t>(i)], i + 1);
        std::cout << cells[0] << '\t' << cells[1] << '\t' << cells[2] << '\t' << cells[3] << '\t'
                  << cells[4] << '\n';
    }
    return kExitOk;
}

}  // namespace velmora::cli
