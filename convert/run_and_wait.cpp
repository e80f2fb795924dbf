#include "convert/run_and_wait.h"

#include <spawn.h>
#include <sys/wait.h>

#include <fcntl.h>

#include <cerrno>

#include "firmware/file_io.h"

extern char** environ;

namespace velmora {

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

bool RunAndWait(const std::string& commandLine) {
    std::vector<std::string> args = splitCommandLine(commandLine);
    if (args.empty()) return false;
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    // The tools run without a console: nothing of theirs reaches ours.
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return false;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return false;
    }
    return true;
}

std::string ToOem(const std::string& text) {
    return text;
}

std::string mpeg2DecodeCommand(const std::string& toolDir, const std::string& input,
                               const std::string& output) {
    return "\"" + joinPath(toolDir, "mpeg2decode") + "\" -b \"" + input + "\" -f -r -o2 \"" +
           output + "\"";
}

bool RunMpeg2Decode(const Session& session, const std::string& input, const std::string& output) {
    return RunAndWait(mpeg2DecodeCommand(session.ToolDir, input, output));
}

}  // namespace velmora
