#include <iostream>

#include "cli/commands.h"

namespace velmora::cli {

int runExtract(Session&, CliDialogs&, const Arguments&) {
    std::cerr << "velmora-cli: extract is not available in this build\n";
    return kExitUsage;
}

}  // namespace velmora::cli
