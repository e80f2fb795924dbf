// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/run_and_wait.h"

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

TEST(SplitCommandLine, DoubleQuotesGroupAndVanish) {
    struct Case {
        const char* line;
        std::vector<std::string> args;
    };
    for (const Case& c : std::vector<Case>{
             {"a b  c", {"a", "b", "c"}},
             {"\"/x y/p\" -b \"in put\" -f", {"/x y/p", "-b", "in put", "-f"}},
             {"\"\" x", {"", "x"}},
             {"a\"b c\"d", {"ab cd"}},
             {"  ", {}},
         }) {
        EXPECT_EQ(splitCommandLine(c.line), c.args) << c.line;
    }
}

TEST(ToolCommand, TextAndArgumentsAgree) {
    ToolCommand command = toolCommand("/t/p");
    command.quoted("a b").words("-x  -y").quoted("").words("");
    EXPECT_EQ(command.text, "\"/t/p\" \"a b\" -x -y \"\"");
    EXPECT_EQ(command.arguments, (std::vector<std::string>{"/t/p", "a b", "-x", "-y", ""}));
    EXPECT_EQ(splitCommandLine(command.text), command.arguments);
}

TEST(RunAndWait, ArgumentsWithQuotesArriveWhole) {
    testing::TempDir dir;
    const std::vector<std::string> args = {"say \"hi\"", "it's", "$HOME", "\xC3\xBC"};
    ToolCommand command = toolCommand(argumentRecorder(dir));
    for (const auto& a : args) command.quoted(a);
    ASSERT_TRUE(RunAndWait(command));
    EXPECT_EQ(recordedArguments(dir), args);
}

TEST(RunAndWait, TextCommandIsSplit) {
    testing::TempDir dir;
    const std::string recorder = argumentRecorder(dir);
    ASSERT_TRUE(RunAndWait("\"" + recorder + "\" \"a b\" c"));
    EXPECT_EQ(recordedArguments(dir), (std::vector<std::string>{"a b", "c"}));
}

TEST(RunAndWait, WaitsForTheProgramToEnd) {
    testing::TempDir dir;
    const std::string script =
        dir.writeText("slow.sh", "sleep 0.2\necho done >'" + dir.file("flag") + "'\n");
    ASSERT_TRUE(RunAndWait(batchFileCommand(script)));
    EXPECT_TRUE(fileExists(dir.file("flag")));
}

TEST(RunAndWait, AMissingProgramIsReported) {
    testing::TempDir dir;
    EXPECT_FALSE(RunAndWait(toolCommand(dir.file("nothing-here"))));
    EXPECT_FALSE(RunAndWait(ToolCommand{}));
}

TEST(RunAndWait, AFailingProgramStillCountsAsRun) {
    EXPECT_TRUE(RunAndWait(toolCommand("/bin/false")));
}

}  // namespace
}  // namespace velmora
