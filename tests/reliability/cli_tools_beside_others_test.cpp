// SPDX-License-Identifier: GPL-3.0-or-later
// velmora-cli's conversion tools beside other runs and other users: shared
// work folders, folders another user controls, runaway and orphaned tools.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <pwd.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/cli/run_cli.h"
#include "tests/fixtures/fixture_streams.h"
#include "tests/fixtures/standard_fixtures.h"
#include "tests/reliability/bad_tools.h"
#include "tests/support/child_process.h"
#include "tests/support/fake_tools.h"
#include "tests/support/temp_dir.h"

namespace velmora {
namespace {

using fixtures::Bytes;
using testing::readFile;
using testing::runCli;
using testing::TempDir;

const Bytes& standardImage() {
    static const Bytes image = fixtures::standardFirmware().image;
    return image;
}

void writeScript(const std::string& path, const std::string& body) {
    std::ofstream(path) << "#!/bin/sh\n" << body;
    ::chmod(path.c_str(), 0755);
}

// The processes whose command line names text (zombies aside).
std::vector<pid_t> processesNaming(const std::string& text) {
    std::vector<pid_t> found;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        std::ifstream in(entry.path() / "cmdline");
        std::stringstream all;
        all << in.rdbuf();
        std::ifstream stat(entry.path() / "stat");
        std::string line;
        std::getline(stat, line);
        const auto close = line.rfind(')');
        const bool zombie =
            close != std::string::npos && close + 2 < line.size() && line[close + 2] == 'Z';
        if (!zombie && all.str().find(text) != std::string::npos)
            found.push_back(static_cast<pid_t>(std::stoi(name)));
    }
    return found;
}

// Two JPEG replacements with the tools in one work folder at once: each ends
// with what it makes alone.
TEST(CliToolsBesideOthers, TwoConversionsInOneWorkFolderKeepTheirOwnFiles) {
    if (!testing::haveRealTools()) GTEST_SKIP() << "the tools are not built in " VELMORA_TOOL_DIR;
    TempDir dir;
    const std::string work = dir.file("work");
    ASSERT_EQ(::mkdir(work.c_str(), 0700), 0);
    const std::string photos[2] = {fixtures::photoJpeg(640, 480, 3),
                                   fixtures::photoJpeg(640, 480, 11)};
    auto replaceIn = [&](int which, const std::string& name) {
        const std::string fw = dir.write(name, standardImage());
        ::unlink((fw + ".orig").c_str());
        const auto r = runCli({"replace", fw, "1", photos[which], "--encoder", "tools",
                               "--tool-dir", VELMORA_TOOL_DIR},
                              work);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        return readFile(fw);
    };
    const Bytes alone[2] = {replaceIn(0, "alone0.bin"), replaceIn(1, "alone1.bin")};
    ASSERT_NE(alone[0], alone[1]);
    for (int round = 0; round < 4; ++round) {
        Bytes together[2];
        std::thread other([&] { together[1] = replaceIn(1, "b.bin"); });
        together[0] = replaceIn(0, "a.bin");
        other.join();
        EXPECT_EQ(together[0], alone[0]) << "round " << round;
        EXPECT_EQ(together[1], alone[1]) << "round " << round;
    }
    for (const auto& entry : std::filesystem::directory_iterator(work))
        EXPECT_FALSE(entry.is_directory()) << entry.path() << ": a run's own work folder was left";
}

// A user for the test: made with useradd, else any unused user number.
uid_t otherUser() {
    const char* name = "velmora-other";
    if (const passwd* known = ::getpwnam(name)) return known->pw_uid;
    if (std::system("useradd --system --no-create-home --shell /usr/sbin/nologin velmora-other "
                    ">/dev/null 2>&1") == 0)
        if (const passwd* made = ::getpwnam(name)) return made->pw_uid;
    return 4242;
}

// TMP in, below or through a link to a folder another user owns: nothing is
// made, read or run there (its owner could swap a planted batch file in).
TEST(CliToolsBesideOthers, NoWorkIsDoneInAFolderAnotherUserControls) {
    if (::geteuid() != 0) GTEST_SKIP() << "only root can give a folder to another user";
    TempDir dir;
    const uid_t other = otherUser();
    const std::string theirs = dir.file("theirs");
    ASSERT_EQ(::mkdir(theirs.c_str(), 0777), 0);
    ASSERT_EQ(::chmod(theirs.c_str(), 01777), 0);
    ASSERT_EQ(::chown(theirs.c_str(), other, other), 0);
    const std::string mineInTheirs = theirs + "/mine";
    ASSERT_EQ(::mkdir(mineInTheirs.c_str(), 0700), 0);  // ours, but they may rename it
    const std::string link = dir.file("link");
    ASSERT_EQ(::symlink(theirs.c_str(), link.c_str()), 0);
    const std::string fw = dir.write("fw.bin", fixtures::byteSwapped(standardImage()));
    for (const std::string& tmp : {theirs, mineInTheirs, link}) {
        SCOPED_TRACE(tmp);
        const auto r = runCli({"replace", fw, "1", fixtures::photoJpeg(64, 48), "--dry-run",
                               "--encoder", "tools", "--tool-dir", VELMORA_TOOL_DIR},
                              tmp);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_FALSE(std::filesystem::exists(theirs + "/velmora-0")) << "made in their folder";
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(mineInTheirs),
                                std::filesystem::directory_iterator()),
                  0)
            << "worked in a folder they can rename";
    }
}

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif
#else
constexpr bool kAddressSanitizer = false;
#endif

// An encoder that writes a 6 GiB (sparse) stream: the run ends with a message
// naming it, without reading it, within a memory limit far below its size.
TEST(CliToolsBesideOthers, AHugeToolOutputIsAFailedTryNamingTheToolNotRead) {
    TempDir dir;
    const testing::FakeTools tools(dir.file("tools"), "100");
    writeScript(tools.folder() + "/mpeg2enc", R"SH(
while [ $# -gt 0 ]; do [ "$1" = -o ] && out=$2; shift; done
cat >/dev/null
truncate -s 6G "$out"
)SH");
    const std::string fw = dir.write("fw.bin", standardImage());
    rlimit before{};
    ASSERT_EQ(::getrlimit(RLIMIT_AS, &before), 0);
    const rlimit small{2LL << 30, before.rlim_max};
    // Under AddressSanitizer the program's shadow memory alone needs more
    // address space than the limit: there the outcome is checked without it.
    if (!kAddressSanitizer) {
        ASSERT_EQ(::setrlimit(RLIMIT_AS, &small), 0);
    }
    const auto r = runCli({"replace", fw, "1", fixtures::photoJpeg(64, 48), "--encoder", "tools",
                           "--tool-dir", tools.folder()},
                          dir.path());
    ASSERT_EQ(::setrlimit(RLIMIT_AS, &before), 0);
    EXPECT_EQ(r.exitCode, 1) << r.err;
    EXPECT_NE(r.err.find("The tool mpeg2enc wrote more than 64 MiB into $jpg_res.m2v"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(readFile(fw), standardImage());
    EXPECT_FALSE(std::filesystem::exists(dir.file("$jpg_res.m2v"))) << "6 GiB left behind";
}

// A run killed with SIGKILL in the middle of a conversion leaves no tool
// running: the tool's group goes with it.
TEST(CliToolsBesideOthers, ARunKilledDuringAConversionLeavesNoToolRunning) {
    TempDir dir;
    const std::string toolDir = dir.file("orphan-check-tools");
    const testing::FakeTools tools(toolDir, "100");
    tools.slowEncoders("60");
    const std::string fw = dir.write("fw.bin", standardImage());
    const std::string cli = std::string(VELMORA_BIN_DIR) + "/velmora-cli";
    for (int round = 0; round < 3; ++round) {
        const pid_t pid =
            testing::startProgram({cli, "replace", fw, "1", fixtures::photoJpeg(64, 48),
                                   "--encoder", "tools", "--tool-dir", toolDir},
                                  {"TMP=" + dir.path()}, true);
        ASSERT_GT(pid, 0);
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (processesNaming(toolDir + "/mpeg2enc").empty() &&
               std::chrono::steady_clock::now() < giveUp)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        ASSERT_FALSE(processesNaming(toolDir + "/mpeg2enc").empty()) << "the encoder never started";
        ASSERT_EQ(::kill(pid, SIGKILL), 0);
        int status = 0;
        ::waitpid(pid, &status, 0);
        const auto settle = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (!processesNaming(toolDir).empty() && std::chrono::steady_clock::now() < settle)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        const std::vector<pid_t> left = processesNaming(toolDir);
        EXPECT_TRUE(left.empty()) << "a tool outlived the program";
        // Whatever a broken run left, stop it so later rounds and tests are clean.
        for (const pid_t orphan : left) ::kill(orphan, SIGKILL);
    }
    EXPECT_EQ(readFile(fw), standardImage());
}

// The velmora-run- folders in a work folder.
std::set<std::string> runFolders(const std::string& work) {
    std::set<std::string> found;
    for (const auto& entry : std::filesystem::directory_iterator(work)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("velmora-run-", 0) == 0) found.insert(name);
    }
    return found;
}

void waitForEncoderOf(const std::string& toolDir) {
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (processesNaming(toolDir + "/mpeg2enc").empty() &&
           std::chrono::steady_clock::now() < giveUp)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_FALSE(processesNaming(toolDir + "/mpeg2enc").empty()) << "the encoder never started";
}

void killAndReap(pid_t pid) {
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
}

// A run killed with SIGKILL leaves its own work folder behind; the next run
// in that work folder removes it, and never the folder of a run still going.
TEST(CliToolsBesideOthers, TheNextRunRemovesAKilledRunsFolderButNotALiveOne) {
    TempDir dir;
    const std::string work = dir.file("work");
    ASSERT_EQ(::mkdir(work.c_str(), 0700), 0);
    // Held here as by a Velmora at work in it: each run gets a folder of its own.
    const int held = ::open(work.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    const std::string toolDir = dir.file("leftover-check-tools");
    const testing::FakeTools tools(toolDir, "100");
    tools.slowEncoders("60");
    const std::string cli = std::string(VELMORA_BIN_DIR) + "/velmora-cli";
    auto startReplace = [&](const std::string& name) {
        const std::string fw = dir.write(name, standardImage());
        return testing::startProgram({cli, "replace", fw, "1", fixtures::photoJpeg(64, 48),
                                      "--encoder", "tools", "--tool-dir", toolDir},
                                     {"TMP=" + work}, true);
    };

    const pid_t killed = startReplace("killed.bin");
    ASSERT_GT(killed, 0);
    waitForEncoderOf(toolDir);
    killAndReap(killed);
    const std::set<std::string> left = runFolders(work);
    ASSERT_EQ(left.size(), 1u) << "the killed run had a folder of its own";

    const pid_t live = startReplace("live.bin");
    ASSERT_GT(live, 0);
    waitForEncoderOf(toolDir);
    const std::set<std::string> during = runFolders(work);
    EXPECT_FALSE(during.contains(*left.begin())) << "the killed run's folder was left";
    ASSERT_EQ(during.size(), 1u);

    const auto r = runCli({"analyze", dir.write("third.bin", standardImage())}, work);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(runFolders(work), during) << "a live run's folder was removed";

    killAndReap(live);
    const auto settle = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!processesNaming(toolDir).empty() && std::chrono::steady_clock::now() < settle)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(runCli({"analyze", dir.file("third.bin")}, work).exitCode, 0);
    EXPECT_TRUE(runFolders(work).empty());
    ::close(held);
}

}  // namespace
}  // namespace velmora
