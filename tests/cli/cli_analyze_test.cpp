// SPDX-License-Identifier: GPL-3.0-or-later
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "firmware/byte_order.h"
#include "tests/catalogue/synthetic_streams.h"
#include "tests/cli/run_cli.h"
#include "tests/support/temp_dir.h"

namespace velmora {
namespace {

using testing::Bytes;
using testing::linesOf;
using testing::runCli;

TEST(CliAnalyze, PrintsTheLogThenOneTabJoinedRowPerPicture) {
    testing::TempDir dir;
    const auto r =
        runCli({"analyze", dir.write("fw.bin", testing::twoMpeg2Pictures())}, dir.path());
    EXPECT_EQ(r.exitCode, 0) << r.err;
    const auto lines = linesOf(r.out);
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[0], std::string(50, '='));
    EXPECT_EQ(lines[1], "Binary file loaded: fw.bin. Analyzing...");
    EXPECT_EQ(lines[lines.size() - 3], "Search complete!");
    EXPECT_EQ(lines[lines.size() - 2],
              "1\tMPEG2 Video  720x 576, 25.00 fps\t0x00001000\t112 B ( 0.11 kB)\t0 B ( 0.00 kB)");
    EXPECT_EQ(lines.back(),
              "2\tMPEG2 Video  720x 480, 29.97 fps\t0x00002000\t212 B ( 0.21 kB)\t0 B ( 0.00 kB)");
    EXPECT_TRUE(r.err.empty());
}

// The working copy is written to TMP while the command runs (the analysis
// reads it from there) and goes when it ends, as when the window closes.
TEST(CliAnalyze, SwappedDumpIsAnalysedThroughItsWorkingCopyWhichGoesAtTheEnd) {
    testing::TempDir dir;
    const auto r = runCli(
        {"analyze", dir.write("fw.bin", swapWordBytes(testing::twoMpeg2Pictures()))}, dir.path());
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("MPEG2 Video"), std::string::npos) << r.out;
    EXPECT_FALSE(std::filesystem::exists(dir.file("$tmp.bin")));
}

TEST(CliAnalyze, NoPicturesIsStillSuccess) {
    testing::TempDir dir;
    const auto r =
        runCli({"analyze", dir.write("empty.bin", testing::fillerImage(0x1000))}, dir.path());
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(linesOf(r.out).back(), "Sorry, no pictures found...");
}

// Opening a FIFO would wait for a writer: it is refused at once instead.
TEST(CliAnalyze, AFifoIsNoFirmwareFile) {
    testing::TempDir dir;
    const auto fifo = dir.file("fw.bin");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const auto r = runCli({"analyze", fifo}, dir.path());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("Cannot open fw.bin: not a file"), std::string::npos) << r.err;
}

TEST(CliAnalyze, IoErrorExitsOneWithTheMessageOnStandardError) {
    testing::TempDir dir;
    const auto r = runCli({"analyze", dir.file("missing.bin")}, dir.path());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("I/O error"), std::string::npos);
    EXPECT_NE(r.err.find("missing.bin"), std::string::npos);
}

TEST(CliAnalyze, WrongUsageExitsTwo) {
    for (const auto& args : std::vector<std::vector<std::string>>{{},
                                                                  {"analyze"},
                                                                  {"analyze", "a", "b"},
                                                                  {"frobnicate", "x"},
                                                                  {"analyze", "--tool-dir"}}) {
        EXPECT_EQ(runCli(args).exitCode, 2) << (args.empty() ? "" : args[0]);
    }
    EXPECT_EQ(runCli({"--help"}).exitCode, 0);
}

}  // namespace
}  // namespace velmora
