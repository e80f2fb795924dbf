// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/tools/tool_run.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "tests/support/temp_dir.h"

extern char** environ;

namespace velmora::testing {

std::string toolPath(const std::string& name) {
    return std::string(VELMORA_TOOL_DIR) + "/" + name;
}

ToolRun runProgram(const std::string& program, const std::vector<std::string>& args,
                   const std::string& stdinPath, const std::string& stdoutPath) {
    TempDir scratch;
    const std::string errorPath = scratch.file("stderr");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(
        &actions, 0, stdinPath.empty() ? "/dev/null" : stdinPath.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1,
                                     stdoutPath.empty() ? "/dev/null" : stdoutPath.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, errorPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    std::vector<std::string> argStrings{program};
    argStrings.insert(argStrings.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : argStrings) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) throw std::runtime_error("cannot start " + program);
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid) throw std::runtime_error("cannot wait for " + program);
    ToolRun run;
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    std::ifstream err(errorPath);
    run.errorText.assign(std::istreambuf_iterator<char>(err), std::istreambuf_iterator<char>());
    return run;
}

ToolRun runTool(const std::string& name, const std::vector<std::string>& args,
                const std::string& stdinPath, const std::string& stdoutPath) {
    return runProgram(toolPath(name), args, stdinPath, stdoutPath);
}

int runShellLine(const std::string& line) {
    const ToolRun run = runProgram("/bin/sh", {"-c", line});
    return run.exitCode;
}

std::string shellQuoted(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text) {
        if (c == '\'') {
            quoted += "'\\''";
        } else {
            quoted += c;
        }
    }
    return quoted + "'";
}

}  // namespace velmora::testing
