// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

namespace velmora::testing {

struct CliResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs the built velmora-cli with the arguments, TMP set to tmp (when not
// empty), and collects what it prints.
[[nodiscard]] CliResult runCli(const std::vector<std::string>& args, const std::string& tmp = {});

// The lines of a text, without their line ends.
[[nodiscard]] std::vector<std::string> linesOf(const std::string& text);

// Whether one of the lines is exactly line.
[[nodiscard]] bool contains(const std::vector<std::string>& lines, const std::string& line);

}  // namespace velmora::testing
