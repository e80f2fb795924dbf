// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

namespace velmora {

// One program start (run by runTool): the command line as text, as it is
// shown and compared, and the arguments it stands for. Built piece by piece,
// so that a value holding blanks or double quotes still reaches the program
// as one argument (the text alone could not say where such a value ends).
struct ToolCommand {
    std::string text;
    std::vector<std::string> arguments;  // the program first
    // NAME=value entries added to the program's environment (not part of the text).
    std::vector<std::string> environment;

    // Appends "value" to the text and value as one argument.
    ToolCommand& quoted(const std::string& value);
    // Appends blank-separated words as they stand, each one argument.
    ToolCommand& words(const std::string& blankSeparated);
};

// A command that starts the program at this path: "program".
[[nodiscard]] ToolCommand toolCommand(const std::string& program);

// Runs a conversion batch file: the text is the file's path, the program /bin/sh.
[[nodiscard]] ToolCommand batchFileCommand(const std::string& batchPath);

// A path handed to a tool where it could be read as an option: a relative
// name beginning with "-" gets "./" in front, every other path stands as is.
[[nodiscard]] std::string pathArgument(const std::string& path);

// The text as the batch file must hold it (the script is UTF-8 here).
[[nodiscard]] std::string ToOem(const std::string& text);

}  // namespace velmora
