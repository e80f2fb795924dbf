#include <iostream>

#include "cli/commands.h"

namespace velmora::cli {

int runTga(Session&, CliDialogs&, const Arguments&) {
    std::cerr << "velmora-cli: tga is not available in this build\n";
    return kExitUsage;
}

}  // namespace velmora::cli
