// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <vector>

#include "rewrite/structure.h"
#include "tests/support/scripted_dialogs.h"

namespace velmora {
namespace {

using Bytes = std::vector<std::uint8_t>;
using testing::ScriptedDialogs;
constexpr std::uint8_t kOld = 0xEE;
constexpr std::uint32_t kBase = 0x4000;

Bytes bytesAt(const ByteImage& image, std::int64_t at, std::size_t n) {
    const auto v = image.view(at, static_cast<std::int64_t>(n));
    return Bytes(v.begin(), v.end());
}

PictureEntry mpeg2At(std::uint32_t pointerAddr) {
    PictureEntry e;
    e.Kind = kKindMpeg2;
    e.PointerAddr = pointerAddr;
    return e;
}

TEST(FlashPointer, NaturalPointerAndStoredForm) {
    ByteImage image("fw.bin", Bytes(8, kOld));
    image.put32(0, naturalFlashPointer(0x70000, kBase));
    EXPECT_EQ(bytesAt(image, 0, 4), (Bytes{0x00, 0x00, 0x00, 0x47}));
    EXPECT_EQ(naturalFlashPointer(0x12345, kBase), 0x41230045u);
}

TEST(Mpeg2Structure, ThreeSectorsAt0x70000) {
    ByteImage image("fw.bin", Bytes(0x80000, kOld));
    const FreeSpace after =
        recreateMpeg2Structure(image, mpeg2At(0x9000), kBase, {0x70000, 0x8000}, 0x71800);
    EXPECT_EQ(bytesAt(image, 0x71800, 12),
              (Bytes{0x00, 0x00, 0x00, 0x47, 0x00, 0x08, 0x00, 0x47, 0x00, 0x10, 0x00, 0x47}));
    EXPECT_EQ(image.u8(0x7180C), kOld);
    EXPECT_EQ(bytesAt(image, 0x9000, 6), (Bytes{0x03, 0x00, 0x00, 0x18, 0x00, 0x47}));
    EXPECT_EQ(after.FreeSpaceAddr, 0x71810u);
    EXPECT_EQ(after.FreeSpaceSize, 0x8000 - 0x1810);
}

TEST(Mpeg2Structure, AnUnalignedFreeAreaKeepsItsPageInTheTablePointer) {
    ByteImage image("fw.bin", Bytes(0x80000, kOld));
    const FreeSpace after =
        recreateMpeg2Structure(image, mpeg2At(0x9000), kBase, {0x70010, 0x8000}, 0x71810);
    EXPECT_EQ(bytesAt(image, 0x71810, 4), (Bytes{0x10, 0x00, 0x00, 0x47}));
    EXPECT_EQ(bytesAt(image, 0x9000, 6), (Bytes{0x03, 0x00, 0x10, 0x18, 0x00, 0x47}));
    EXPECT_EQ(after.FreeSpaceAddr, 0x71820u);
}

TEST(Mpeg2Structure, SectorPointersCrossIntoTheNextSegment) {
    ByteImage image("fw.bin", Bytes(0xA0000, kOld));
    const std::uint32_t a = 0x70000, t = a + 33 * 2048;
    (void)recreateMpeg2Structure(image, mpeg2At(0x9000), kBase, {a, 0x20000}, t);
    EXPECT_EQ(image.u32(t + 31 * 4), 0x4700F800u);
    EXPECT_EQ(image.u32(t + 32 * 4), 0x48000000u) << "sector 33 at 0x80000";
}

TEST(Mpeg2Structure, TableOf31SectorsStaysInTheFirstSegmentAndOf32GetsTheNaturalPointer) {
    const std::uint32_t a = 0x70000;
    for (const std::uint32_t sectors : {31u, 32u}) {
        ByteImage image("fw.bin", Bytes(0xA0000, kOld));
        const std::uint32_t t = a + sectors * 2048;
        (void)recreateMpeg2Structure(image, mpeg2At(0x9000), kBase, {a, 0x20000}, t);
        EXPECT_EQ(image.u16(0x9000), sectors);
        const std::uint32_t expected = sectors == 31 ? 0x4700F800u : naturalFlashPointer(t, kBase);
        EXPECT_EQ(image.u32(0x9002), expected) << sectors;
    }
    EXPECT_EQ(naturalFlashPointer(a + 32 * 2048, kBase), 0x48000000u);
}

TEST(SizeRecord, WholeChunkSizeInSectorsAndRest) {
    EXPECT_EQ(sizeRecord(1999), (std::array<std::uint8_t, 5>{0x01, 0x00, 0x00, 0xD8, 0x07}));
    EXPECT_EQ(sizeRecord(2040), (std::array<std::uint8_t, 5>{0x02, 0x00, 0x00, 0x00, 0x00}));
    EXPECT_EQ(sizeRecord(2039), sizeRecord(2040));
}

PictureEntry mpeg4(std::uint32_t pointerAddr) {
    PictureEntry e;
    e.Kind = kKindMpeg4;
    e.Start = 0x1000;
    e.End = 0x1800;
    e.RoomEnd = 0x1900;
    e.PointerAddr = pointerAddr;
    return e;
}

TEST(Mpeg4Structure, InPlaceRewritesTheSizeRecordAndThePointerToStart) {
    ByteImage image("fw.bin", Bytes(0x10000, kOld));
    ScriptedDialogs ui;
    const FreeSpace after =
        recreateMpeg4Structure(image, ui, mpeg4(0x9000), kBase, false, {0x8000, 100}, 1999, 0);
    EXPECT_EQ(bytesAt(image, 0x1900, 5), (Bytes{0x01, 0x00, 0x00, 0xD8, 0x07}));
    EXPECT_EQ(bytesAt(image, 0x9000, 4), (Bytes{0x00, 0x00, 0x10, 0x40}));
    EXPECT_EQ(after.FreeSpaceAddr, 0x8000u);
    EXPECT_EQ(after.FreeSpaceSize, 100);
    EXPECT_EQ(ui.lines,
              std::vector<std::string>{"Recreating Structure, pointed to the picture..."});
}

TEST(Mpeg4Structure, AMovePointsAtTheNewChunkAndAdvancesTheFreeArea) {
    ByteImage image("fw.bin", Bytes(0x80000, kOld));
    ScriptedDialogs ui;
    const FreeSpace after = recreateMpeg4Structure(image, ui, mpeg4(0x9000), kBase, true,
                                                   {0x73000, 0x5000}, 0xA48, 0x73A60);
    EXPECT_EQ(image.u32(0x9000), naturalFlashPointer(0x73000, kBase));
    const auto record = sizeRecord(0xA48);
    EXPECT_EQ(bytesAt(image, 0x1900, 5), Bytes(record.begin(), record.end()))
        << "the size record stays at the old place";
    EXPECT_EQ(after.FreeSpaceAddr, 0x73A60u);
    EXPECT_EQ(after.FreeSpaceSize, 0x5000 - 0xA60);
    EXPECT_EQ(ui.lines, (std::vector<std::string>{"Recreating Structure, pointed to the picture...",
                                                  "New FreeSpaceAddr= 00073A60"}));
}

TEST(Mpeg4Structure, WithoutAPointerNothingIsWritten) {
    ByteImage image("fw.bin", Bytes(0x10000, kOld));
    const ByteImage before = image;
    ScriptedDialogs ui;
    (void)recreateMpeg4Structure(image, ui, mpeg4(0), kBase, false, {0x8000, 100}, 1999, 0);
    EXPECT_EQ(image.bytes(), before.bytes());
    EXPECT_TRUE(ui.hasLine("Recreating Structure, pointed to the picture..."));
}

}  // namespace
}  // namespace velmora
