// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace velmora::bench {

// Runs one analysis of path in this process (the child side of the peak
// memory measurement). Returns the process exit code.
int analyzeOnce(const char* path);

}  // namespace velmora::bench
