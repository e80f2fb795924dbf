// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/tool_command.h"
#include "convert/tool_run.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "firmware/file_io.h"
#include "tests/support/temp_dir.h"

namespace velmora {
namespace {

// A program that writes each argument on a line of its own into args.txt.
std::string argumentRecorder(const testing::TempDir& dir) {
    const std::string path = dir.writeText("record",
                                           "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; "
                                           "done >\"$(dirname \"$0\")/args.txt\"\n");
    ::chmod(path.c_str(), 0755);
    return path;
}

std::vector<std::string> recordedArguments(const testing::TempDir& dir) {
    const auto bytes = testing::readFile(dir.file("args.txt"));
    std::vector<std::string> lines;
    std::string line;
    for (char c : bytes) {
        if (c == '\n') {
            lines.push_back(line);
            line.clear();
        } else {
            line += c;
        }
    }
    return lines;
}

TEST(ToolCommand, TextAndArgumentsAgree) {
    ToolCommand command = toolCommand("/t/p");
    command.quoted("a b").words("-x  -y").quoted("").words("");
    EXPECT_EQ(command.text, "\"/t/p\" \"a b\" -x -y \"\"");
    EXPECT_EQ(command.arguments, (std::vector<std::string>{"/t/p", "a b", "-x", "-y", ""}));
}

TEST(RunTool, ArgumentsWithQuotesArriveWhole) {
    testing::TempDir dir;
    const std::vector<std::string> args = {"say \"hi\"", "it's", "$HOME", "\xC3\xBC"};
    ToolCommand command = toolCommand(argumentRecorder(dir));
    for (const auto& a : args) command.quoted(a);
    ASSERT_EQ(runTool(command, WorkControl{}).end, ToolEnd::Finished);
    EXPECT_EQ(recordedArguments(dir), args);
}

TEST(RunTool, WaitsForTheProgramToEnd) {
    testing::TempDir dir;
    const std::string script =
        dir.writeText("slow.sh", "sleep 0.2\necho done >'" + dir.file("flag") + "'\n");
    ASSERT_EQ(runTool(batchFileCommand(script), WorkControl{}).end, ToolEnd::Finished);
    EXPECT_TRUE(fileExists(dir.file("flag")));
}

TEST(RunTool, AMissingProgramIsReported) {
    testing::TempDir dir;
    EXPECT_EQ(runTool(toolCommand(dir.file("nothing-here")), WorkControl{}).end,
              ToolEnd::NotStarted);
    EXPECT_EQ(runTool(ToolCommand{}, WorkControl{}).end, ToolEnd::NotStarted);
}

TEST(RunTool, AFailingProgramStillCountsAsRun) {
    EXPECT_EQ(runTool(toolCommand("/bin/false"), WorkControl{}).end, ToolEnd::Finished);
}

}  // namespace
}  // namespace velmora
