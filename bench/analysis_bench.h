// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace velmora::bench {

// Runs one analysis of path in this process (the child side of the peak
// memory measurement). Returns the process exit code.
int analyzeOnce(const char* path);

// Prints this process's peak memory as "peak_kib N" (first line).
void reportPeakMemory();

// Analyses the firmware at path, replaces its first picture in place with its
// own stream, commits it, and prints the peak memory; for a fresh process.
int replaceOnce(const char* path);

}  // namespace velmora::bench
