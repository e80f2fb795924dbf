// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/support/child_process.h"

#include <fcntl.h>
#include <spawn.h>

extern char** environ;

namespace velmora::testing {

pid_t startProgram(const std::vector<std::string>& args, const std::vector<std::string>& extraEnv,
                   bool quiet, int asFd3) {
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) env.emplace_back(*e);
    env.insert(env.end(), extraEnv.begin(), extraEnv.end());
    std::vector<std::string> copy = args;
    std::vector<char*> argv;
    std::vector<char*> envp;
    for (auto& a : copy) argv.push_back(a.data());
    argv.push_back(nullptr);
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (quiet) posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    if (asFd3 >= 0) posix_spawn_file_actions_adddup2(&actions, asFd3, 3);
    pid_t pid = -1;
    const int failed = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    return failed == 0 ? pid : -1;
}

}  // namespace velmora::testing
