// SPDX-License-Identifier: GPL-3.0-or-later
// Stopping a running tool: by a cancel from another thread, by the time limit.
#include "convert/tool_run.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <thread>

#include "firmware/file_io.h"
#include "tests/support/temp_dir.h"

namespace velmora {
namespace {

using namespace std::chrono_literals;

// A pipeline that would run for a minute, as a slow encoder batch does; it
// writes the pid of its last program, so the test can see that it is gone.
std::string slowPipeline(const testing::TempDir& dir) {
    return dir.writeText("$convert.bat", "sleep 60 | sh -c 'echo $$ > \"$0\"; exec sleep 60' " +
                                             dir.file("pid") + "\n");
}

// Running, not merely a zombie left for its new parent to reap.
bool processAlive(const std::string& pidFile) {
    std::ifstream in(pidFile);
    int pid = 0;
    if (!(in >> pid) || pid <= 0) return false;
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(stat, line)) return false;
    const std::size_t afterName = line.rfind(')');
    if (afterName == std::string::npos || afterName + 2 >= line.size()) return false;
    const char state = line[afterName + 2];
    return state != 'Z' && state != 'X';
}

void waitForFile(const std::string& path) {
    for (int i = 0; i < 500 && !fileExists(path); ++i) std::this_thread::sleep_for(10ms);
}

TEST(RunTool, CancelFromAnotherThreadStopsTheWholePipeline) {
    testing::TempDir dir;
    WorkControl control;
    std::thread canceller([&] {
        waitForFile(dir.file("pid"));
        control.requestCancel();
    });
    const auto started = std::chrono::steady_clock::now();
    const ToolRun run = runTool(batchFileCommand(slowPipeline(dir)), control);
    canceller.join();
    EXPECT_EQ(run.end, ToolEnd::Cancelled);
    EXPECT_LT(std::chrono::steady_clock::now() - started, 20s);
    EXPECT_FALSE(processAlive(dir.file("pid"))) << "the pipeline's last program was left running";
}

TEST(RunTool, TimeLimitStopsAToolThatNeverEnds) {
    testing::TempDir dir;
    WorkControl control;
    control.toolTimeout = 300ms;
    const ToolRun run = runTool(batchFileCommand(slowPipeline(dir)), control);
    EXPECT_EQ(run.end, ToolEnd::TimedOut);
    EXPECT_EQ(run.stillRunning, "sleep") << "the programs that hung are named";
    EXPECT_FALSE(processAlive(dir.file("pid")));
}

TEST(RunTool, QuickToolFinishesAndAMissingOneDoesNotStart) {
    testing::TempDir dir;
    WorkControl control;
    const std::string script =
        dir.writeText("$convert.bat", "echo done > " + dir.file("out") + "\n");
    EXPECT_EQ(runTool(batchFileCommand(script), control).end, ToolEnd::Finished);
    EXPECT_TRUE(fileExists(dir.file("out")));
    EXPECT_EQ(runTool(toolCommand(dir.file("missing")), control).end, ToolEnd::NotStarted);
    control.requestCancel();
    EXPECT_EQ(runTool(batchFileCommand(script), control).end, ToolEnd::Cancelled)
        << "a cancel asked for before the start stops it at once";
}

// The harshest moment to die: the tool's first step kills the program that
// started it. Whatever was left to set up after the start, the tool must
// still go with the program.
TEST(RunTool, AToolKillingItsProgramAtOnceDiesWithIt) {
    for (int round = 0; round < 10; ++round) {
        testing::TempDir dir;
        const std::string script = dir.writeText(
            "$convert.bat", "kill -9 $PPID\necho $$ > " + dir.file("pid") + "\nexec sleep 60\n");
        const pid_t program = ::fork();
        ASSERT_GE(program, 0);
        if (program == 0) {
            WorkControl control;
            static_cast<void>(runTool(batchFileCommand(script), control));
            ::_exit(0);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(program, &status, 0), program);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the tool did not run";
        for (int i = 0; i < 500 && processAlive(dir.file("pid")); ++i)
            std::this_thread::sleep_for(10ms);
        EXPECT_FALSE(processAlive(dir.file("pid")))
            << "round " << round << ": the tool outlived it";
        std::ifstream in(dir.file("pid"));
        if (int orphan = 0; in >> orphan && orphan > 0) ::kill(orphan, SIGKILL);
    }
}

TEST(RunTool, TimeLimitComesFromTheEnvironmentValue) {
    EXPECT_EQ(toolTimeoutFrom(nullptr), 120s);
    EXPECT_EQ(toolTimeoutFrom("5"), 5s);
    EXPECT_EQ(toolTimeoutFrom("0.25"), 250ms);
    for (const char* bad : {"", "0", "-3", "ten", "5s", "inf"})
        EXPECT_EQ(toolTimeoutFrom(bad), 120s) << bad;
    EXPECT_EQ(toolTimeoutText("mpeg2enc", 120s),
              "The tool mpeg2enc ran longer than 120 seconds and was stopped.");
    EXPECT_EQ(toolName(batchFileCommand("/t/$convert.bat")), "$convert.bat");
    EXPECT_EQ(toolName(toolCommand("/t/mpeg2decode")), "mpeg2decode");
}

}  // namespace
}  // namespace velmora
