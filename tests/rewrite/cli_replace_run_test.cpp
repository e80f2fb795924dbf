// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "firmware/byte_order.h"
#include "tests/catalogue/synthetic_streams.h"
#include "tests/cli/run_cli.h"
#include "tests/fixtures/fixture_streams.h"
#include "tests/fixtures/standard_fixtures.h"
#include "tests/support/temp_dir.h"

namespace velmora {
namespace {

using testing::Bytes;
using testing::contains;
using testing::linesOf;
using testing::readFile;
using testing::runCli;

std::string hex8(std::uint32_t v) {
    char text[9];
    std::snprintf(text, sizeof text, "%08X", v);
    return text;
}

const fixtures::Fixture& standard() {
    static const fixtures::Fixture fixture = fixtures::standardFirmware();
    return fixture;
}

TEST(CliReplaceRun, ReplacesInPlaceAndTheNextAnalysisFindsTheNewPicture) {
    testing::TempDir dir;
    const std::string fw = dir.write("fw.bin", standard().image);
    const Bytes stream = fixtures::mpeg2Still(352, 288, false, 1000);
    const auto r =
        runCli({"replace", fw, "1", dir.write("new.m2v", stream), "--any-format"}, dir.path());
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(r.err.empty()) << r.err;
    const auto lines = linesOf(r.out);
    const std::vector<std::string> tail(lines.end() - 5, lines.end());
    EXPECT_EQ(tail, (std::vector<std::string>{
                        "Custom MPEG file opened.", "Original firmware kept as fw.bin.orig",
                        "Replacing the picture...",
                        "Completed! The old picture is replaced with the new!",
                        "All operations completed successfully!"}));
    const PictureEntry& old = standard().entries[0];
    const Bytes now = readFile(fw);
    EXPECT_TRUE(
        std::equal(stream.begin(), stream.begin() + old.BlockLength, now.begin() + old.Start));
    EXPECT_TRUE(
        std::equal(now.begin() + old.RoomEnd, now.end(), standard().image.begin() + old.RoomEnd));

    const auto again = runCli({"analyze", fw}, dir.path());
    ASSERT_EQ(again.exitCode, 0) << again.err;
    EXPECT_NE(again.out.find("\tMPEG2 Video  352x 288, 25.00 fps\t0x" + hex8(old.Start) + "\t"),
              std::string::npos)
        << again.out;
}

TEST(CliReplaceRun, ALargerStreamNeedsForceAndMaySpillOnlyIntoErasedFlash) {
    testing::TempDir dir;
    const Bytes original = testing::twoMpeg2Pictures();
    const std::string fw = dir.write("fw.bin", original);
    const std::string big = dir.write("big.mpg", testing::mpeg2Stream(720, 576, 0x23, 150));
    const auto refused = runCli({"replace", fw, "1", big}, dir.path());
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.err.find("Not confirmed (use --force); nothing written."), std::string::npos);
    EXPECT_TRUE(
        contains(linesOf(refused.out), "This video larger then free space in the flash..."));
    EXPECT_EQ(readFile(fw), original);

    // Past its room lies code, not erased flash: even --force does not write there.
    const auto forced = runCli({"replace", fw, "1", big, "--force"}, dir.path());
    EXPECT_EQ(forced.exitCode, 1) << forced.err;
    EXPECT_TRUE(contains(linesOf(forced.out), "Continue to replace on you own risk!"));
    EXPECT_NE(forced.err.find("room"), std::string::npos) << forced.err;
    EXPECT_EQ(readFile(fw), original);
}

TEST(CliReplaceRun, MoveAnswersTheMoveQuestionAndItsAbsenceKeepsThePicturePlace) {
    const fixtures::Fixture fixture = fixtures::standardFirmware();
    const PictureEntry& picture = fixture.entries[1];  // non-fragmented, its records known
    const Bytes stream = fixtures::mpeg2Still(352, 288, false, 1000);
    for (const bool move : {false, true}) {
        testing::TempDir dir;
        const std::string fw = dir.write("fw.bin", fixture.image);
        std::vector<std::string> args{"replace", fw, "2", dir.write("new.m2v", stream),
                                      "--any-format"};
        if (move) args.emplace_back("--move");
        const auto r = runCli(args, dir.path());
        ASSERT_EQ(r.exitCode, 0) << r.err;
        const Bytes now = readFile(fw);
        const std::size_t at = move ? fixtures::kStandardFreeStart : picture.Start;
        EXPECT_TRUE(std::equal(stream.begin(), stream.end(), now.begin() + static_cast<long>(at)))
            << (move ? "moved" : "in place");
        EXPECT_EQ(now[fixtures::kStandardFreeStart] == 0xFF, !move);
    }
}

TEST(CliReplaceRun, RefusalsExitOneAndWrongPictureNumbersTwo) {
    testing::TempDir dir;
    const Bytes original = testing::twoMpeg2Pictures();
    const std::string fw = dir.write("fw.bin", original);
    const auto noVideo =
        runCli({"replace", fw, "2", dir.write("x.m2v", Bytes(64, 0x00))}, dir.path());
    EXPECT_EQ(noVideo.exitCode, 1);
    EXPECT_NE(noVideo.err.find("ERROR!: The file do not contain any video!"), std::string::npos);
    const auto missing = runCli({"replace", fw, "2", dir.file("gone.m2v")}, dir.path());
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.err.find("I/O error"), std::string::npos);
    const auto third = runCli({"replace", fw, "3", dir.file("x.m2v")}, dir.path());
    EXPECT_EQ(third.exitCode, 2);
    EXPECT_EQ(readFile(fw), original);
}

TEST(CliReplaceRun, SwappedDumpIsWrittenBackInItsStoredOrder) {
    testing::TempDir dir;
    const std::string fw = dir.write("fw.bin", swapWordBytes(standard().image));
    const Bytes stream = fixtures::mpeg2Still(720, 480, true, 1500);
    const auto r = runCli({"replace", fw, "2", dir.write("new.m2v", stream)}, dir.path());
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(contains(linesOf(r.out), "Wait, the swapped firmware is rewritten now..."));
    // The work copy went when the command ended; the firmware is its twin.
    EXPECT_FALSE(std::filesystem::exists(dir.file("$tmp.bin")));
    const Bytes working = swapWordBytes(readFile(fw));
    EXPECT_TRUE(
        std::equal(stream.begin(), stream.end(), working.begin() + standard().entries[1].Start));
}

TEST(CliReplaceRun, AStreamOfAnotherFormatNeedsAnyFormat) {
    testing::TempDir dir;
    const std::string fw = dir.write("fw.bin", standard().image);
    const std::string source = dir.write("new.m2v", fixtures::mpeg2Still(352, 288, false, 1000));
    const auto refused = runCli({"replace", fw, "1", source}, dir.path());
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.err.find("Different picture format: The new stream is 352x288 at 25.00 fps; "
                               "picture #1 is 720x576 at 25.00 fps.\n"),
              std::string::npos)
        << refused.err;
    EXPECT_NE(refused.err.find("Not replaced (use --any-format); nothing written."),
              std::string::npos)
        << refused.err;
    EXPECT_EQ(testing::readFile(fw), standard().image);
    EXPECT_EQ(runCli({"replace", fw, "1", source, "--any-format"}, dir.path()).exitCode, 0);
}

}  // namespace
}  // namespace velmora
