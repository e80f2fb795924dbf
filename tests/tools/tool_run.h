// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

namespace velmora::testing {

// Path of a tool in the build's tool folder.
[[nodiscard]] std::string toolPath(const std::string& name);

struct ToolRun {
    int exitCode = -1;
    std::string errorText;  // what the tool wrote to standard error
};

// Runs a program with arguments (no shell), standard input from `stdinPath`
// (/dev/null when empty) and standard output into `stdoutPath` (/dev/null when empty).
[[nodiscard]] ToolRun runProgram(const std::string& program, const std::vector<std::string>& args,
                                 const std::string& stdinPath = {},
                                 const std::string& stdoutPath = {});

// Runs a tool of the tool folder by name.
[[nodiscard]] ToolRun runTool(const std::string& name, const std::vector<std::string>& args,
                              const std::string& stdinPath = {},
                              const std::string& stdoutPath = {});

// Runs one line through /bin/sh, the way the conversion runs its batch lines.
[[nodiscard]] int runShellLine(const std::string& line);

// A path single-quoted for /bin/sh.
[[nodiscard]] std::string shellQuoted(const std::string& text);

}  // namespace velmora::testing
