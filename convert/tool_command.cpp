// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/tool_command.h"

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

std::string ToOem(const std::string& text) {
    return text;
}

}  // namespace velmora
