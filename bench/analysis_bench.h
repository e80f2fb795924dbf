// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <benchmark/benchmark.h>

#include <optional>
#include <string>

namespace velmora::bench {

// Runs one analysis of path in this process (the child side of the peak
// memory measurement). Returns the process exit code.
int analyzeOnce(const char* path);

// Prints this process's peak memory as "peak_kib N" (first line).
void reportPeakMemory();

// Runs this benchmark program anew as `self flag 'path'` and reads the peak
// memory it reports, in MiB; nullopt (and the state told why) when it did
// not start or failed.
[[nodiscard]] std::optional<double> peakMiBOfChild(benchmark::State& state, const char* flag,
                                                   const std::string& path);

// Analyses the firmware at path, replaces its first picture in place with its
// own stream, commits it, and prints the peak memory; for a fresh process.
int replaceOnce(const char* path);

}  // namespace velmora::bench
