// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "firmware/byte_order.h"
#include "firmware/file_io.h"
#include "firmware/fingerprint.h"
#include "firmware/io_error.h"
#include "tests/catalogue/scan_fixture.h"

namespace velmora {
namespace {

using testing::Analysed;
using testing::Bytes;
using testing::place;

// A firmware with an erased tail, the data marker row, the anchor code and one picture.
Bytes anchoredImage() {
    Bytes image = testing::fillerImage(0x20000);
    std::fill(image.begin() + 0x10000, image.end(), 0xFF);
    place(image, 0x130, {0x8E, 0xD8, 0xBE, 0x00});
    testing::putLe16(image, 0x130 - 7, 0x1234);
    testing::putLe16(image, 0x130 + 9, 0x0800);
    place(image, 0x8000, {0, 0, 0, 0, 'N', 'U', 'L', 'L', ' ', 'C', 'H', 'E'});
    place(image, 0x2000, testing::mpeg2Stream(720, 576, 0x23, 100));
    return image;
}

TEST(Analysis, LogsEveryStageInOrder) {
    const Analysed a(anchoredImage(), "dump.bin");
    const std::vector<std::string> expected = {
        std::string(50, '='),
        "Binary file loaded: dump.bin. Analyzing...",
        "Search of unoccupied space in the flash...",
        "Unoccupied space found at 0x00010000, 63.88kB",
        "Search of original pictures...",
        "---------------------- Picture #1 -----------------------------------",
        "MPEG2 Video 720x576 25.00 fps stream found at 0x00002000 - 0x00002070,",
        "non-fragmented.",
        "Picture data size is 0x0070 (112 bytes)",
        "Search complete!",
    };
    EXPECT_EQ(a.ui.lines, expected);
    EXPECT_EQ(a.session.AnchorPage, 0x80);
    EXPECT_EQ(a.session.AnchorSegment, 0x1234);
    EXPECT_EQ(a.session.AnchorLength, 0x0800);
    EXPECT_EQ(a.session.SegmentBase, 0x4000u);
    EXPECT_EQ(a.session.FreeSpaceAddr, 0x10000u);
    EXPECT_TRUE(a.session.PicturesFound);
    EXPECT_FALSE(a.session.ByteSwapped);
    EXPECT_EQ(a.session.FirstWord, 0xA1FA);
    EXPECT_FALSE(fileExists(a.dir.file("$tmp.bin"))) << "a plain dump gets no working copy";
}

TEST(Analysis, MarkerWithoutAnchorCodeCancelsTheFreeSpace) {
    Bytes image = anchoredImage();
    place(image, 0x130, {0x11, 0x11, 0x11, 0x11});
    const Analysed a(image);
    EXPECT_EQ(a.session.FreeSpaceAddr, 0u);
    EXPECT_EQ(a.session.FreeSpaceSize, 0);
    EXPECT_EQ(a.session.AnchorPage, 0x80);
    EXPECT_EQ(a.session.SegmentBase, 0u);
    EXPECT_TRUE(a.ui.hasLine("Unoccupied space found at 0x00010000, 63.88kB"));
}

TEST(Analysis, AnchorsDoNotCarryOverToTheNextFirmware) {
    testing::TempDir dir;
    Session session;
    session.TempDir = dir.path();
    testing::ScriptedDialogs ui;
    (void)analyzeFirmware(session, ui, dir.write("a.bin", anchoredImage()));
    EXPECT_EQ(session.SegmentBase, 0x4000u);
    session.SelectedPicture = 5;
    (void)analyzeFirmware(session, ui, dir.write("b.bin", testing::fillerImage(0x1000)));
    EXPECT_EQ(session.SegmentBase, 0u);
    EXPECT_EQ(session.AnchorPage, 0);
    EXPECT_EQ(session.SelectedPicture, 0);
    EXPECT_EQ(session.PictureCount, 0);
    EXPECT_FALSE(session.PicturesFound);
    EXPECT_TRUE(ui.hasLine("Sorry, no pictures found..."));
}

TEST(Analysis, SwappedDumpIsAnalysedThroughItsWorkingCopy) {
    const Bytes plain = anchoredImage();
    const Bytes stored = swapWordBytes(plain);
    const Analysed a(stored, "swapped.bin");
    const Analysed b(plain, "plain.bin");
    EXPECT_TRUE(a.session.ByteSwapped);
    EXPECT_EQ(a.session.FirstWord, 0xA1FA);
    EXPECT_TRUE(a.ui.hasLine("Firmware is byte-swapped, preparing for anlysis..."));
    EXPECT_TRUE(a.ui.hasLine("Preparing done!"));
    EXPECT_EQ(testing::readFile(a.dir.file("$tmp.bin")), plain);
    ASSERT_EQ(a.session.PictureCount, 1);
    EXPECT_EQ(a.entry(0).Start, b.entry(0).Start);
    EXPECT_EQ(a.entry(0).End, b.entry(0).End);
    EXPECT_EQ(a.session.FreeSpaceAddr, b.session.FreeSpaceAddr);
    EXPECT_EQ(testing::readFile(a.dir.file("swapped.bin")), stored) << "the dump is never written";
}

// The file is read, swapped and copied a piece at a time: a picture across
// the pieces' borders and an odd number of pieces change nothing.
TEST(Analysis, LargeSwappedDumpGivesTheSameAsItsPlainForm) {
    Bytes plain = anchoredImage();
    plain.resize(0xC0006, 0x5A);
    place(plain, 0x3FFF0, testing::mpeg2Stream(352, 288, 0x23, 5000));
    place(plain, 0xBFFF0, {0x00, 0x00, 0x01, 0xB7});
    const Bytes stored = swapWordBytes(plain);
    const Analysed a(stored, "swapped.bin");
    const Analysed b(plain, "plain.bin");
    EXPECT_EQ(testing::readFile(a.dir.file("$tmp.bin")), plain);
    EXPECT_EQ(a.session.FirmwareFingerprint, fingerprint(stored));
    EXPECT_EQ(b.session.FirmwareFingerprint, fingerprint(plain));
    ASSERT_EQ(a.session.PictureCount, 2);
    ASSERT_EQ(b.session.PictureCount, 2);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(a.entry(i).Start, b.entry(i).Start);
        EXPECT_EQ(a.entry(i).End, b.entry(i).End);
        EXPECT_EQ(a.entry(i).DataSize, b.entry(i).DataSize);
    }
    std::vector<std::string> expected = b.ui.lines;
    expected[1] = "Binary file loaded: swapped.bin. Analyzing...";
    expected.insert(expected.begin() + 2,
                    {"Firmware is byte-swapped, preparing for anlysis...", "Preparing done!"});
    EXPECT_EQ(a.ui.lines, expected);
}

TEST(Analysis, DumpStartingBe00IsSwappedButGetsNoFreeSpaceSearch) {
    Bytes plain = anchoredImage();
    plain[0] = 0x00;
    plain[1] = 0xBE;
    const Analysed a(swapWordBytes(plain));
    EXPECT_TRUE(a.session.ByteSwapped);
    EXPECT_EQ(a.session.FirstWord, 0xBE00);
    EXPECT_EQ(a.session.FreeSpaceSize, 0);
    EXPECT_EQ(a.session.AnchorPage, 0) << "the marker is not looked for either";
    EXPECT_EQ(a.session.PictureCount, 1);
}

TEST(Analysis, DumpStartingFaA1IsNotSwapped) {
    const Analysed a(anchoredImage());
    EXPECT_FALSE(a.session.ByteSwapped);
    Bytes other = anchoredImage();
    other[0] = 0x12;
    const Analysed b(other, "update.img");
    EXPECT_FALSE(b.session.ByteSwapped);
    EXPECT_EQ(b.session.FreeSpaceSize, 0);
}

TEST(Analysis, OddSizedSwappedDumpIsAnIoErrorAndWritesNoWorkingCopy) {
    Bytes stored = swapWordBytes(anchoredImage());
    stored.push_back(0x12);
    testing::TempDir dir;
    Session session;
    session.TempDir = dir.path();
    testing::ScriptedDialogs ui;
    EXPECT_TRUE(analyzeFirmware(session, ui, dir.write("odd.bin", stored)).is<IoFailure>());
    EXPECT_FALSE(fileExists(dir.file("$tmp.bin")));
}

TEST(Analysis, WorkFolderThatDoesNotExistIsAnIoErrorNamingIt) {
    testing::TempDir dir;
    Session session;
    session.TempDir = dir.file("missing");
    testing::ScriptedDialogs ui;
    const Outcome analysed =
        analyzeFirmware(session, ui, dir.write("s.bin", swapWordBytes(anchoredImage())));
    ASSERT_TRUE(analysed.is<IoFailure>());
    const std::string& text = analysed.get<IoFailure>().text;
    EXPECT_NE(text.find("missing/$tmp.bin"), std::string::npos) << text;
}

TEST(Analysis, ProgressBarMovesUpToTheEnd) {
    const Analysed a(testing::fillerImage(0x100000));
    ASSERT_FALSE(a.ui.progressValues.empty());
    EXPECT_GE(a.ui.progressValues.size(), 10u);
    EXPECT_EQ(a.ui.progressValues.back(), 100);
    EXPECT_TRUE(std::is_sorted(a.ui.progressValues.begin(), a.ui.progressValues.end()));
}

TEST(Analysis, FingerprintOfTheStoredFileIsKept) {
    const Analysed a(anchoredImage());
    const Analysed b(anchoredImage());
    Bytes changed = anchoredImage();
    changed[0x5000] ^= 1;
    const Analysed c(changed);
    EXPECT_EQ(a.session.FirmwareFingerprint, b.session.FirmwareFingerprint);
    EXPECT_NE(a.session.FirmwareFingerprint, c.session.FirmwareFingerprint);
}

}  // namespace
}  // namespace velmora
