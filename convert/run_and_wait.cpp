#include "convert/run_and_wait.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>

extern char** environ;

namespace velmora {
namespace {

class SpawnActions {
  public:
    SpawnActions() { posix_spawn_file_actions_init(&actions_); }
    ~SpawnActions() { posix_spawn_file_actions_destroy(&actions_); }
    SpawnActions(const SpawnActions&) = delete;
    SpawnActions& operator=(const SpawnActions&) = delete;
    [[nodiscard]] posix_spawn_file_actions_t* get() { return &actions_; }

  private:
    posix_spawn_file_actions_t actions_{};
};

}  // namespace

ToolCommand& ToolCommand::quoted(const std::string& value) {
    if (!text.empty()) text += ' ';
    text += '"' + value + '"';
    arguments.push_back(value);
    return *this;
}

ToolCommand& ToolCommand::words(const std::string& blankSeparated) {
    std::string word;
    auto flush = [&] {
        if (word.empty()) return;
        if (!text.empty()) text += ' ';
        text += word;
        arguments.push_back(std::move(word));
        word.clear();
    };
    for (char c : blankSeparated) {
        if (c == ' ') {
            flush();
        } else {
            word += c;
        }
    }
    flush();
    return *this;
}

ToolCommand toolCommand(const std::string& program) {
    ToolCommand command;
    command.quoted(program);
    return command;
}

ToolCommand batchFileCommand(const std::string& batchPath) {
    return ToolCommand{batchPath, {"/bin/sh", pathArgument(batchPath)}};
}

std::string pathArgument(const std::string& path) {
    return path.starts_with('-') ? "./" + path : path;
}

std::vector<std::string> splitCommandLine(const std::string& commandLine) {
    std::vector<std::string> args;
    std::string current;
    bool inQuotes = false;
    bool haveArgument = false;
    for (char c : commandLine) {
        if (c == '"') {
            inQuotes = !inQuotes;
            haveArgument = true;
        } else if ((c == ' ' || c == '\t') && !inQuotes) {
            if (haveArgument) args.push_back(std::move(current));
            current.clear();
            haveArgument = false;
        } else {
            current += c;
            haveArgument = true;
        }
    }
    if (haveArgument) args.push_back(std::move(current));
    return args;
}

bool RunAndWait(const ToolCommand& command) {
    if (command.arguments.empty()) return false;
    std::vector<std::string> args = command.arguments;
    std::vector<char*> argv;
    argv.reserve(args.size() + 1);
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);

    SpawnActions actions;
    // The tools run without a console: nothing of theirs reaches ours, and
    // none of our open files reaches them.
    posix_spawn_file_actions_addopen(actions.get(), 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(actions.get(), 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(actions.get(), 2, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addclosefrom_np(actions.get(), 3);
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], actions.get(), nullptr, argv.data(), environ) != 0) return false;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return false;
    }
    return true;
}

bool RunAndWait(const std::string& commandLine) {
    const std::vector<std::string> args = splitCommandLine(commandLine);
    return RunAndWait(ToolCommand{commandLine, args});
}

std::string ToOem(const std::string& text) {
    return text;
}

}  // namespace velmora
