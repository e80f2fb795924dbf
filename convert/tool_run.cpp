// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/tool_run.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <vector>

extern char** environ;

namespace velmora {
namespace {

using Clock = std::chrono::steady_clock;

// How often the cancel flag is looked at while the program runs.
constexpr std::chrono::milliseconds kWatchInterval{20};

class SpawnSetup {
  public:
    SpawnSetup() {
        posix_spawn_file_actions_init(&actions_);
        posix_spawnattr_init(&attributes_);
    }
    ~SpawnSetup() {
        posix_spawn_file_actions_destroy(&actions_);
        posix_spawnattr_destroy(&attributes_);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;
    posix_spawn_file_actions_t actions_{};
    posix_spawnattr_t attributes_{};
};

// A descriptor that becomes readable when the child ends; -1 when the kernel
// offers none (the wait then falls back to short sleeps).
class ChildWatch {
  public:
    explicit ChildWatch(pid_t pid) : fd_(static_cast<int>(::syscall(SYS_pidfd_open, pid, 0))) {}
    ~ChildWatch() {
        if (fd_ >= 0) ::close(fd_);
    }
    ChildWatch(const ChildWatch&) = delete;
    ChildWatch& operator=(const ChildWatch&) = delete;

    void waitAtMost(std::chrono::milliseconds interval) const {
        if (fd_ < 0) {
            ::usleep(static_cast<useconds_t>(std::chrono::microseconds(interval).count()));
            return;
        }
        pollfd watch{fd_, POLLIN, 0};
        static_cast<void>(::poll(&watch, 1, static_cast<int>(interval.count())));
    }

  private:
    int fd_;
};

bool reaped(pid_t pid, bool block) {
    int status = 0;
    for (;;) {
        const pid_t r = ::waitpid(pid, &status, block ? 0 : WNOHANG);
        if (r == pid) return true;
        if (r == 0) return false;
        if (errno != EINTR) return true;  // no such child any more
    }
}

// The programs of the group still running (a killed one may take a moment;
// one that is only a zombie left to its new parent does not count), the
// shell that runs a batch file left out, and so is the process `leftOut`.
std::vector<std::string> groupStillRunning(pid_t group, pid_t leftOut) {
    std::vector<std::string> running;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
        const std::string name = entry.path().filename().string();
        if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos) continue;
        if (name == std::to_string(leftOut)) continue;
        std::ifstream stat(entry.path() / "stat");
        std::string line;
        if (!std::getline(stat, line)) continue;
        const std::size_t nameStart = line.find('(');
        const std::size_t afterName = line.rfind(')');
        if (nameStart == std::string::npos || afterName == std::string::npos) continue;
        std::istringstream fields(line.substr(afterName + 1));
        char state = 0;
        pid_t parent = 0;
        pid_t processGroup = 0;
        if (!(fields >> state >> parent >> processGroup)) continue;
        if (processGroup != group || state == 'Z' || state == 'X') continue;
        running.push_back(line.substr(nameStart + 1, afterName - nameStart - 1));
    }
    return running;
}

std::string listOf(const std::vector<std::string>& names) {
    std::string list;
    for (const std::string& name : names) {
        if (name == "sh" || list.find(name) != std::string::npos) continue;
        if (!list.empty()) list += ", ";
        list += name;
    }
    return list;
}

// A process that leads the tool's group and kills it once this program is
// gone, however it ends (SIGKILL included): it waits on a socket whose only
// writer is this program. A byte on it says the tool ended and nothing is to
// be done. It exists before the tool: the tool joins its group as it starts,
// and holds the writing end until it runs its program, so no moment is left
// in which this program could die with the tool still unwatched.
class GroupWatcher {
  public:
    GroupWatcher() {
        int ends[2];
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) return;
        const pid_t pid = ::fork();
        if (pid == 0) {
            // Only async-signal-safe calls from here: this program has threads.
            ::setpgid(0, 0);  // Ctrl+C at a terminal is not for the group
            ::dup2(ends[0], 0);
            ::syscall(SYS_close_range, 1U, ~0U, 0U);
            char note = 0;
            ssize_t n = 0;
            do {
                n = ::read(0, &note, 1);
            } while (n < 0 && errno == EINTR);
            if (n <= 0) ::kill(0, SIGKILL);
            ::_exit(0);
        }
        ::close(ends[0]);
        // Here too: the tool may start before the watcher ran a single step.
        if (pid < 0 || (::setpgid(pid, pid) != 0 && errno != EACCES)) {
            ::close(ends[1]);
            if (pid > 0) {
                ::kill(pid, SIGKILL);
                static_cast<void>(reaped(pid, true));
            }
            return;
        }
        pid_ = pid;
        writeEnd_ = ends[1];
    }
    ~GroupWatcher() {
        if (writeEnd_ < 0) return;
        // A watcher stopped with the group is gone: no signal for that.
        const char note = '\n';
        (void)!::send(writeEnd_, &note, 1, MSG_NOSIGNAL);
        ::close(writeEnd_);
        static_cast<void>(reaped(pid_, true));
    }
    GroupWatcher(const GroupWatcher&) = delete;
    GroupWatcher& operator=(const GroupWatcher&) = delete;

    // The group the tool is to join; 0 (a group of its own) without a watcher.
    [[nodiscard]] pid_t group() const { return pid_ > 0 ? pid_ : 0; }
    [[nodiscard]] pid_t pid() const { return pid_; }

  private:
    pid_t pid_ = -1;
    int writeEnd_ = -1;
};

// The tool and everything it started (a pipeline's programs) go at once;
// returns, once none of them can write a file any more, the names of those
// that were still running, the watcher not among them.
std::string stopGroup(pid_t tool, const GroupWatcher& watcher) {
    const pid_t group = watcher.group() > 0 ? watcher.group() : tool;
    const std::string running = listOf(groupStillRunning(group, watcher.pid()));
    ::kill(-group, SIGKILL);
    static_cast<void>(reaped(tool, true));
    const Clock::time_point giveUp = Clock::now() + std::chrono::seconds(2);
    while (!groupStillRunning(group, watcher.pid()).empty() && Clock::now() < giveUp)
        ::usleep(2000);
    return running;
}

// The descriptor handed to a shell as its script, closed here once it started.
class ScriptCopy {
  public:
    explicit ScriptCopy(int fd) : fd_(fd) {}
    ~ScriptCopy() {
        if (fd_ >= 0) ::close(fd_);
    }
    ScriptCopy(const ScriptCopy&) = delete;
    ScriptCopy& operator=(const ScriptCopy&) = delete;

  private:
    int fd_;
};

// The first output that passed the limit, else empty.
std::string outgrownOutput(const OutputLimit& limit) {
    if (limit.maxBytes <= 0) return {};
    for (const std::string& output : limit.outputs) {
        struct stat st {};
        if (::stat(output.c_str(), &st) == 0 && st.st_size > limit.maxBytes) return output;
    }
    return {};
}

}  // namespace

ToolRun runTool(const ToolCommand& command, const WorkControl& control, const OutputLimit& limit) {
    if (command.arguments.empty()) return {ToolEnd::NotStarted, {}};
    // A cancel asked for before the start: not started at all.
    if (control.cancelRequested()) return {ToolEnd::Cancelled, {}};
    std::vector<std::string> args = command.arguments;
    // A batch file is read by the shell from what was written: descriptor 3
    // of the shell, a copy of it kept high here so it cannot be 3 already.
    int script = -1;
    if (command.scriptDescriptor >= 0 && args.size() > 1) {
        script = ::fcntl(command.scriptDescriptor, F_DUPFD_CLOEXEC, 10);
        if (script < 0) return {ToolEnd::NotStarted, {}};
        args[1] = "/dev/fd/3";
    }
    const ScriptCopy scriptCopy(script);
    std::vector<char*> argv;
    argv.reserve(args.size() + 1);
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);

    SpawnSetup setup;
    posix_spawn_file_actions_addopen(&setup.actions_, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&setup.actions_, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&setup.actions_, 2, "/dev/null", O_WRONLY, 0);
    if (script >= 0) posix_spawn_file_actions_adddup2(&setup.actions_, script, 3);
    posix_spawn_file_actions_addclosefrom_np(&setup.actions_, script >= 0 ? 4 : 3);
    // The watcher's group: Ctrl+C at a terminal reaches us, not the tool, and
    // we stop the whole group ourselves. Signals the caller blocks (the command
    // line waits for them on a thread) must not stay blocked in the tool.
    sigset_t none;
    sigemptyset(&none);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGINT);
    sigaddset(&defaults, SIGTERM);
    sigaddset(&defaults, SIGPIPE);
    const GroupWatcher watcher;
    posix_spawnattr_setpgroup(&setup.attributes_, watcher.group());
    posix_spawnattr_setsigmask(&setup.attributes_, &none);
    posix_spawnattr_setsigdefault(&setup.attributes_, &defaults);
    posix_spawnattr_setflags(
        &setup.attributes_,
        static_cast<short>(POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF));
    // The command's own entries come first, so they win over ours.
    std::vector<std::string> extra = command.environment;
    std::vector<char*> envp;
    for (auto& e : extra) envp.push_back(e.data());
    for (char** e = environ; *e != nullptr; ++e) envp.push_back(*e);
    envp.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], &setup.actions_, &setup.attributes_, argv.data(), envp.data()) !=
        0)
        return {ToolEnd::NotStarted, {}};

    const ChildWatch watch(pid);
    const Clock::time_point deadline = Clock::now() + control.toolTimeout;
    for (;;) {
        if (reaped(pid, false)) return {ToolEnd::Finished, {}, outgrownOutput(limit)};
        if (control.cancelRequested()) return {ToolEnd::Cancelled, stopGroup(pid, watcher)};
        if (std::string outgrown = outgrownOutput(limit); !outgrown.empty()) {
            static_cast<void>(stopGroup(pid, watcher));
            return {ToolEnd::Finished, {}, outgrown};
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) return {ToolEnd::TimedOut, stopGroup(pid, watcher)};
        watch.waitAtMost(std::min(left, kWatchInterval));
    }
}

std::string toolName(const ToolCommand& command) {
    if (command.arguments.empty()) return {};
    const std::string& program = command.arguments[0] == "/bin/sh" && command.arguments.size() > 1
                                     ? command.arguments[1]
                                     : command.arguments[0];
    const std::size_t slash = program.find_last_of('/');
    return slash == std::string::npos ? program : program.substr(slash + 1);
}

namespace {

constexpr double kLongestToolTimeout = 1e6;

// The limit a value asks for, or nullopt when it is no positive number of seconds.
std::optional<std::chrono::milliseconds> timeoutOf(const char* value) {
    char* end = nullptr;
    const double seconds = std::strtod(value, &end);
    if (end == value || *end != '\0' || !std::isfinite(seconds) || seconds <= 0 ||
        seconds > kLongestToolTimeout)
        return std::nullopt;
    return std::chrono::milliseconds(static_cast<std::int64_t>(std::ceil(seconds * 1000)));
}

}  // namespace

std::chrono::milliseconds toolTimeoutFrom(const char* environmentValue) {
    const std::chrono::milliseconds fallback = std::chrono::seconds(120);
    if (environmentValue == nullptr || *environmentValue == '\0') return fallback;
    return timeoutOf(environmentValue).value_or(fallback);
}

std::optional<std::string> toolTimeoutProblem(const char* environmentValue) {
    if (environmentValue == nullptr || *environmentValue == '\0' || timeoutOf(environmentValue))
        return std::nullopt;
    return std::string("VELMORA_TOOL_TIMEOUT=\"") + environmentValue +
           "\" is not a number of seconds (more than 0, at most 1000000): the limit of 120 "
           "seconds is used.";
}

std::string toolOutputTooLargeText(const std::string& tool, const std::string& file) {
    return "The tool " + tool + " wrote more than " + std::to_string(kLargestToolOutput >> 20) +
           " MiB into " + file +
           ", more than any picture can be; it was stopped and its output was not read.";
}

std::string toolTimeoutText(const std::string& tool, std::chrono::milliseconds limit) {
    std::ostringstream text;
    text << "The tool " << tool << " ran longer than ";
    if (limit.count() % 1000 == 0) {
        text << limit.count() / 1000;
    } else {
        text << static_cast<double>(limit.count()) / 1000.0;
    }
    text << " seconds and was stopped.";
    return text.str();
}

}  // namespace velmora
