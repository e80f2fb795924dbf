// SPDX-License-Identifier: GPL-3.0-or-later
// velmora-cli beside other Velmoras, other users and odd files: two runs on
// one firmware, huge files, names that look like options, the work copy.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "tests/cli/run_cli.h"
#include "tests/fixtures/firmware_builder.h"
#include "tests/fixtures/fixture_streams.h"
#include "tests/fixtures/standard_fixtures.h"
#include "tests/support/temp_dir.h"

namespace velmora {
namespace {

using fixtures::Bytes;
using testing::linesOf;
using testing::readFile;
using testing::runCli;
using testing::TempDir;

const fixtures::Fixture& standard() {
    static const fixtures::Fixture fixture = fixtures::standardFirmware();
    return fixture;
}

bool holdsAt(const Bytes& firmware, const Bytes& stream, std::int64_t at, std::int64_t n) {
    return std::equal(stream.begin(), stream.begin() + n, firmware.begin() + at);
}

bool hasLine(const std::string& text, const std::string& line) {
    const auto lines = linesOf(text);
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// Two replacements of different pictures of one file at once, each with its
// own work folder: both changes must be in the file afterwards.
TEST(CliBesideOthers, TwoReplacementsOfOneFileAtOnceLoseNoChange) {
    TempDir dir;
    const Bytes first = fixtures::mpeg2Still(352, 288, false, 1000);
    const Bytes second = fixtures::mpeg2Still(352, 240, true, 1000);
    const std::string firstPath = dir.write("first.m2v", first);
    const std::string secondPath = dir.write("second.m2v", second);
    ASSERT_EQ(::mkdir(dir.file("tmp1").c_str(), 0700), 0);
    ASSERT_EQ(::mkdir(dir.file("tmp2").c_str(), 0700), 0);
    const PictureEntry& one = standard().entries[0];
    const PictureEntry& two = standard().entries[1];
    int waited = 0;
    for (int round = 0; round < 25; ++round) {
        const std::string fw = dir.write("fw.bin", standard().image);
        ::unlink((fw + ".orig").c_str());
        testing::CliResult a;
        testing::CliResult b;
        std::thread other([&] {
            b = runCli({"replace", fw, "2", secondPath, "--force", "--any-format"},
                       dir.file("tmp2"));
        });
        a = runCli({"replace", fw, "1", firstPath, "--force", "--any-format"}, dir.file("tmp1"));
        other.join();
        ASSERT_EQ(a.exitCode, 0) << a.err;
        ASSERT_EQ(b.exitCode, 0) << b.err;
        const Bytes now = readFile(fw);
        ASSERT_TRUE(holdsAt(now, first, one.Start, one.BlockLength)) << "round " << round;
        ASSERT_TRUE(holdsAt(now, second, two.Start, 1000)) << "round " << round;
        for (const auto* r : {&a, &b})
            if (hasLine(r->out, "fw.bin is being changed by another Velmora; waiting\u2026"))
                ++waited;
    }
    EXPECT_GT(waited, 0) << "the runs never met: the test proves nothing";
}

// Holds the lock another Velmora would hold on the file.
class HeldByAnother {
  public:
    explicit HeldByAnother(const std::string& path)
        : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {
        EXPECT_EQ(::flock(fd_, LOCK_EX), 0);
    }
    ~HeldByAnother() { release(); }
    HeldByAnother(const HeldByAnother&) = delete;
    HeldByAnother& operator=(const HeldByAnother&) = delete;
    void release() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }

  private:
    int fd_;
};

TEST(CliBesideOthers, ASecondVelmoraWaitsOrWithNoWaitRefuses) {
    TempDir dir;
    const std::string fw = dir.write("fw.bin", standard().image);
    const std::string source = dir.write("new.m2v", fixtures::mpeg2Still(352, 288, false, 1000));
    HeldByAnother held(fw);

    const auto refused =
        runCli({"replace", fw, "1", source, "--no-wait", "--any-format"}, dir.path());
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.err.find("fw.bin is being changed by another Velmora"), std::string::npos)
        << refused.err;
    EXPECT_EQ(readFile(fw), standard().image);

    testing::CliResult waited;
    std::thread waiting([&] {
        waited = runCli({"replace", fw, "1", source, "--any-format"}, dir.path());
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    EXPECT_EQ(readFile(fw), standard().image) << "written while another Velmora held the file";
    held.release();
    waiting.join();
    EXPECT_EQ(waited.exitCode, 0) << waited.err;
    EXPECT_EQ(linesOf(waited.out).at(0),
              "fw.bin is being changed by another Velmora; waiting\u2026");
    EXPECT_NE(readFile(fw), standard().image);
}

TEST(CliBesideOthers, AFileOf4GiBOrMoreIsRefusedAtOnce) {
    TempDir dir;
    const std::string fw = dir.file("huge.bin");
    const int fd = ::open(fw.c_str(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, (1LL << 32) + (512LL << 20)), 0);  // sparse
    ::close(fd);
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"analyze", fw},
          std::vector<std::string>{"extract", fw, "1", dir.file("out.m2v")}}) {
        const auto r = runCli(args, dir.path());
        EXPECT_EQ(r.exitCode, 1) << args[0];
        EXPECT_EQ(r.err.rfind("ERROR!: huge.bin is too large to be a firmware dump", 0), 0u)
            << r.err;
        EXPECT_NE(r.err.find("32-bit"), std::string::npos) << r.err;
        struct stat st {};
        EXPECT_NE(::stat(dir.file("out.m2v").c_str(), &st), 0) << "nothing is extracted";
    }
}

TEST(CliBesideOthers, DoubleDashEndsTheOptions) {
    TempDir dir;
    (void)dir.write("--dump.bin", standard().image);
    char folder[4096];
    ASSERT_NE(::getcwd(folder, sizeof folder), nullptr);
    const std::string before = folder;
    ASSERT_EQ(::chdir(dir.path().c_str()), 0);
    const auto r = runCli({"analyze", "--", "--dump.bin"}, dir.path());
    ASSERT_EQ(::chdir(before.c_str()), 0);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("MPEG2 Video"), std::string::npos) << r.out;
}

TEST(CliBesideOthers, TheWorkCopyGoesWhenTheProgramEnds) {
    TempDir dir;
    const std::string fw =
        dir.write("fw.bin", fixtures::byteSwapped(standard().image));  // analysed through $tmp.bin
    const auto r = runCli({"analyze", fw}, dir.path());
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("MPEG2 Video"), std::string::npos) << r.out;
    struct stat st {};
    EXPECT_NE(::stat(dir.file("$tmp.bin").c_str(), &st), 0) << "$tmp.bin was left behind";
}

TEST(CliBesideOthers, AnInvalidToolTimeoutIsReported) {
    TempDir dir;
    const std::string fw = dir.write("fw.bin", standard().image);
    ASSERT_EQ(::setenv("VELMORA_TOOL_TIMEOUT", "ten", 1), 0);
    const auto r = runCli({"analyze", fw}, dir.path());
    ::unsetenv("VELMORA_TOOL_TIMEOUT");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(r.err.find("VELMORA_TOOL_TIMEOUT=\"ten\" is not a number of seconds"),
              std::string::npos)
        << r.err;
}

TEST(CliBesideOthers, HelpSaysTheBackupIsStillMadeWithNoBackup) {
    const auto r = runCli({"--help"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(r.out.find("--no-backup: go on\n            when FIRMWARE.orig cannot be made, "
                         "which is still made when it can"),
              std::string::npos)
        << r.out;
}

}  // namespace
}  // namespace velmora
