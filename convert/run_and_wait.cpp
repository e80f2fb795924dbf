// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/run_and_wait.h"

#include "convert/tool_run.h"

namespace velmora {

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
    return ToolCommand{batchPath, {"/bin/sh", pathArgument(batchPath)}, {}};
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
    // One way to start a tool: the stoppable runner, here with nothing to stop it.
    WorkControl unlimited;
    unlimited.toolTimeout = kNoToolTimeLimit;
    return runTool(command, unlimited).end != ToolEnd::NotStarted;
}

bool RunAndWait(const std::string& commandLine) {
    const std::vector<std::string> args = splitCommandLine(commandLine);
    return RunAndWait(ToolCommand{commandLine, args, {}});
}

std::string ToOem(const std::string& text) {
    return text;
}

}  // namespace velmora
