#include <iostream>

#include "cli/commands.h"

namespace velmora::cli {

int runReplace(Session&, CliDialogs&, const Arguments&) {
    std::cerr << "velmora-cli: replace is not available in this build\n";
    return kExitUsage;
}

}  // namespace velmora::cli
