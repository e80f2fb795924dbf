// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace velmora::testing {

// Starts a program (args[0] a path) with this process's environment plus
// extraEnv ("NAME=value", later ones win); standard output goes to /dev/null
// when quiet; descriptor asFd3, when not -1, becomes its descriptor 3.
// Returns its pid, or -1.
[[nodiscard]] pid_t startProgram(const std::vector<std::string>& args,
                                 const std::vector<std::string>& extraEnv, bool quiet = false,
                                 int asFd3 = -1);

}  // namespace velmora::testing
