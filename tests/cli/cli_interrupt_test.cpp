// SPDX-License-Identifier: GPL-3.0-or-later
// Ctrl+C during a replacement: the running tool is stopped, nothing is
// written, the work files are gone, and the exit status is 130.
#include <signal.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "firmware/file_io.h"
#include "tests/fixtures/firmware_builder.h"
#include "tests/fixtures/fixture_streams.h"
#include "tests/fixtures/standard_fixtures.h"
#include "tests/support/child_process.h"
#include "tests/support/fake_tools.h"
#include "tests/support/temp_dir.h"

namespace velmora::testing {
namespace {

namespace fx = velmora::fixtures;

pid_t startCli(std::vector<std::string> args, const std::string& tmp) {
    args.insert(args.begin(), std::string(VELMORA_BIN_DIR) + "/velmora-cli");
    return startProgram(args, {"TMP=" + tmp}, true);
}

class CliInterrupt : public ::testing::TestWithParam<int> {};

TEST_P(CliInterrupt, StopsTheToolWritesNothingAndExits130) {
    TempDir dir;
    const FakeTools tools(dir.file("tools"), "100");
    tools.slowEncoders("30");
    const std::string work = dir.file("work");
    std::filesystem::create_directories(work);
    const fx::Fixture firmware = fx::standardFirmware();
    const std::string path = dir.file("dump.bin");
    fx::writeBytes(path, firmware.image);

    const pid_t pid = startCli({"replace", path, "2", fx::photoJpeg(720, 480), "--tool-dir",
                                tools.folder(), "--encoder", "tools"},
                               work);
    ASSERT_GT(pid, 0);
    // Once the encoder runs, the person presses Ctrl+C.
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!fileExists(work + "/$convert.bat") && std::chrono::steady_clock::now() < giveUp)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ::kill(pid, GetParam());
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by the signal itself";
    EXPECT_EQ(WEXITSTATUS(status), 130);
    EXPECT_EQ(readFile(path), firmware.image) << "the firmware is unchanged";
    for (const char* name : {"$convert.bat", "$jpg_res.bmp", "$jpg_res.jpg", "$jpg_res.m2v"})
        EXPECT_FALSE(fileExists(work + "/" + name)) << name;
}

INSTANTIATE_TEST_SUITE_P(Signals, CliInterrupt, ::testing::Values(SIGINT, SIGTERM));

}  // namespace
}  // namespace velmora::testing
