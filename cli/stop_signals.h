// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>

#include "catalogue/work_control.h"

namespace velmora::cli {

// From now on Ctrl+C (SIGINT) and SIGTERM do not end the program at once:
// they cancel the running action through control, which stops its tool,
// removes its work files and writes nothing. Call before any other thread
// starts, so that every thread leaves the two signals to the watcher.
void cancelOnStopSignals(std::shared_ptr<WorkControl> control);

}  // namespace velmora::cli
