// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <numeric>
#include <vector>

#include "rewrite/mpeg2_placement.h"
#include "rewrite/mpeg4_placement.h"

namespace velmora {
namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr std::uint8_t kOld = 0xEE;

Bytes streamOf(std::size_t n) {
    Bytes s(n);
    for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<std::uint8_t>(i * 7 + 3);
    return s;
}

ByteImage imageOf(std::size_t n) {
    return ByteImage("fw.bin", Bytes(n, kOld));
}

PictureEntry fragmented(std::uint32_t start, std::uint32_t roomEnd) {
    PictureEntry e;
    e.Kind = kKindMpeg2;
    e.Start = start;
    e.End = roomEnd - 10;
    e.RoomEnd = roomEnd;
    e.GapLength = 48;
    e.BlockLength = 2000;
    for (int i = 0; i < 48; ++i)
        e.GapBytes[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(0xA0 + i);
    return e;
}

void expectStreamPart(const ByteImage& image, std::int64_t at, const Bytes& stream,
                      std::size_t from, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i)
        ASSERT_EQ(image.u8(at + static_cast<std::int64_t>(i)), stream[from + i])
            << "at " << at + static_cast<std::int64_t>(i);
}

void expectHeader(const ByteImage& image, std::int64_t at, const PictureEntry& e) {
    for (int i = 0; i < e.GapLength; ++i)
        ASSERT_EQ(image.u8(at + i), e.GapBytes[static_cast<std::size_t>(i)]) << "header at " << at;
}

void expectFiller(const ByteImage& image, std::int64_t from, std::int64_t to) {
    for (std::int64_t p = from; p < to; ++p) {
        const std::int64_t i = p - from;
        const std::uint8_t want = i < 2 ? 0x00 : ((i - 2) % 2 == 0 ? 0x01 : 0xB9);
        ASSERT_EQ(image.u8(p), want) << "filler at " << p;
    }
}

TEST(Mpeg2Placement, InPlaceExampleOf4500BytesInBlocksOf2000) {
    const std::int64_t start = 0x1000, roomEnd = start + 6000;
    const PictureEntry e = fragmented(start, roomEnd);
    ByteImage image = imageOf(0x4000);
    const Bytes s = streamOf(4500);
    const Mpeg2Layout layout = placeMpeg2(image, e, s, false, 0);

    EXPECT_EQ(image.u8(start - 1), kOld);
    expectStreamPart(image, start, s, 0, 2000);
    expectHeader(image, start + 2000, e);
    expectStreamPart(image, start + 2048, s, 2000, 2000);
    expectHeader(image, start + 4048, e);
    expectStreamPart(image, start + 4096, s, 4000, 500);
    EXPECT_EQ(layout.DataEnd, start + 4596);
    expectFiller(image, start + 4596, roomEnd);
    EXPECT_EQ(image.u8(roomEnd), kOld);
    EXPECT_EQ(layout.TailEnd, roomEnd);
}

TEST(Mpeg2Placement, MovedExampleFillsThreeWholeSectors) {
    const std::uint32_t a = 0x2000;
    const PictureEntry e = fragmented(0x1000, 0x1000 + 6000);
    ByteImage image = imageOf(0x4000);
    const ByteImage before = image;
    const Bytes s = streamOf(4500);
    const Mpeg2Layout layout = placeMpeg2(image, e, s, true, a);

    expectHeader(image, a, e);
    expectStreamPart(image, a + 48, s, 0, 2000);
    expectHeader(image, a + 2048, e);
    expectStreamPart(image, a + 2096, s, 2000, 2000);
    expectHeader(image, a + 4096, e);
    expectStreamPart(image, a + 4144, s, 4000, 500);
    EXPECT_EQ(image.u8(a + 4644), 0x00);
    EXPECT_EQ(image.u8(a + 4645), 0x00);
    int pairs = 0;
    for (std::int64_t p = a + 4646; p < a + 6144; p += 2) {
        ASSERT_EQ(image.u8(p), 0x01);
        ASSERT_EQ(image.u8(p + 1), 0xB9);
        ++pairs;
    }
    EXPECT_EQ(pairs, 749);
    EXPECT_EQ(layout.TailEnd, a + 6144);
    EXPECT_EQ(image.u8(a + 6144), kOld);
    // The old picture stays as it was.
    EXPECT_TRUE(
        std::equal(before.bytes().begin(), before.bytes().begin() + a, image.bytes().begin()));
}

TEST(Mpeg2Placement, AStreamEndingOnABlockBoundaryGetsNoHeaderAfterItsLastBlock) {
    const PictureEntry e = fragmented(0x1000, 0x1000 + 6000);
    ByteImage image = imageOf(0x4000);
    const Bytes s = streamOf(4000);
    const Mpeg2Layout layout = placeMpeg2(image, e, s, false, 0);
    EXPECT_EQ(layout.DataEnd, 0x1000 + 4048);
    expectFiller(image, 0x1000 + 4048, 0x1000 + 6000);

    // Moved, the header in front makes the run end on a sector boundary: no filler.
    ByteImage moved = imageOf(0x4000);
    const Mpeg2Layout m = placeMpeg2(moved, e, s, true, 0x2000);
    EXPECT_EQ(m.DataEnd, 0x2000 + 2 * 2048);
    EXPECT_EQ(m.TailEnd, m.DataEnd);
    EXPECT_EQ(moved.u8(m.DataEnd), kOld);
}

TEST(Mpeg2Placement, TheInPlaceFillerStopsExactlyAtRoomEnd) {
    for (const std::int64_t extra : {0, 1, 2, 3, 4}) {
        const PictureEntry e =
            fragmented(0x1000, static_cast<std::uint32_t>(0x1000 + 4596 + extra));
        ByteImage image = imageOf(0x4000);
        const Mpeg2Layout layout = placeMpeg2(image, e, streamOf(4500), false, 0);
        EXPECT_EQ(layout.TailEnd, e.RoomEnd);
        expectFiller(image, 0x1000 + 4596, e.RoomEnd);
        EXPECT_EQ(image.u8(e.RoomEnd), kOld) << extra;
    }
}

TEST(Mpeg2Placement, AStreamPastItsRoomGetsNoFiller) {
    const PictureEntry e = fragmented(0x1000, 0x1000 + 3000);
    ByteImage image = imageOf(0x4000);
    const Mpeg2Layout layout = placeMpeg2(image, e, streamOf(4500), false, 0);
    EXPECT_EQ(layout.TailEnd, layout.DataEnd);
    EXPECT_EQ(image.u8(layout.DataEnd), kOld);
}

TEST(Mpeg2Placement, ANonFragmentedPictureIsOneContiguousRun) {
    PictureEntry e = fragmented(0x1000, 0x1000 + 3000);
    e.GapLength = 0;
    e.BlockLength = 2000;  // End - Start of the old picture; a longer stream runs on
    const Bytes s = streamOf(2500);
    ByteImage image = imageOf(0x4000);
    (void)placeMpeg2(image, e, s, false, 0);
    expectStreamPart(image, 0x1000, s, 0, 2500);
    expectFiller(image, 0x1000 + 2500, 0x1000 + 3000);

    ByteImage moved = imageOf(0x4000);
    const Mpeg2Layout m = placeMpeg2(moved, e, s, true, 0x2000);
    expectStreamPart(moved, 0x2000, s, 0, 2500);
    EXPECT_EQ(m.TailEnd, 0x2000 + 4096);
    expectFiller(moved, 0x2000 + 2500, 0x2000 + 4096);
}

PictureEntry chunk(std::uint32_t start, std::uint32_t roomEnd, bool swapped) {
    PictureEntry e;
    e.Kind = kKindMpeg4;
    e.Start = start;
    e.RoomEnd = roomEnd;
    e.End = roomEnd;
    e.WordSwapped = swapped;
    return e;
}

TEST(Mpeg4Placement, LengthFieldOf300BytesBothWays) {
    for (const bool swapped : {false, true}) {
        ByteImage image = imageOf(0x1000);
        const Mpeg4Layout layout =
            placeMpeg4(image, chunk(0x100, 0x400, swapped), streamOf(300), false, 0);
        EXPECT_EQ(layout.StreamLength, 300u);
        const Bytes expected =
            swapped ? Bytes{0x01, 0x2C, 0x00, 0x00} : Bytes{0x2C, 0x01, 0x00, 0x00};
        EXPECT_EQ(Bytes(image.bytes().begin() + 0x104, image.bytes().begin() + 0x108), expected);
        EXPECT_EQ(image.u32(0x100), 0xEEEEEEEEu) << "the old tag stays in place";
    }
}

TEST(Mpeg4Placement, InPlaceDataIsPaddedWithZerosUpToTheSizeRecord) {
    ByteImage image = imageOf(0x1000);
    const Bytes s = streamOf(301);
    const Mpeg4Layout layout = placeMpeg4(image, chunk(0x100, 0x300, false), s, false, 0);
    expectStreamPart(image, 0x108, s, 0, 301);
    EXPECT_EQ(layout.DataEnd, 0x108 + 301);
    for (std::int64_t p = layout.DataEnd; p < 0x300; ++p) ASSERT_EQ(image.u8(p), 0) << p;
    EXPECT_EQ(image.u8(0x300), kOld);
}

TEST(Mpeg4Placement, SwappedOddStreamEndsWithZeroThenTheLastByte) {
    ByteImage image = imageOf(0x1000);
    const Bytes s = streamOf(301);
    const Mpeg4Layout layout = placeMpeg4(image, chunk(0x100, 0x300, true), s, true, 0x800);
    EXPECT_EQ(Bytes(image.bytes().begin() + 0x800, image.bytes().begin() + 0x808),
              (Bytes{'0', '0', 'c', 'd', 0x01, 0x2D, 0x00, 0x00}));
    for (std::size_t i = 0; i + 1 < 301; i += 2) {
        ASSERT_EQ(image.u8(0x808 + static_cast<std::int64_t>(i)), s[i + 1]);
        ASSERT_EQ(image.u8(0x808 + static_cast<std::int64_t>(i) + 1), s[i]);
    }
    EXPECT_EQ(image.u8(0x808 + 300), 0x00);
    EXPECT_EQ(image.u8(0x808 + 301), s[300]);
    EXPECT_EQ(layout.DataEnd, 0x808 + 302);
    EXPECT_EQ(image.u8(0x808 + 302), kOld) << "a moved chunk gets no padding";
}

TEST(Mpeg4Placement, AMovedChunkGetsItsOwnTagAndTheNextFreeAddressStrictlyAbove) {
    ByteImage image = imageOf(0x80000);
    const std::uint32_t a = 0x73A50 - 8 - 0x100;  // data ends at 0x73A50
    const Mpeg4Layout layout =
        placeMpeg4(image, chunk(0x100, 0x300, false), streamOf(0x100), true, a);
    EXPECT_EQ(Bytes(image.bytes().begin() + a, image.bytes().begin() + a + 4),
              (Bytes{'0', '0', 'd', 'c'}));
    EXPECT_EQ(layout.DataEnd, 0x73A50);
    EXPECT_EQ(layout.NextFree, 0x73A60u);
    EXPECT_EQ(planMpeg4(chunk(0, 0, false), 0x101, true, a).NextFree, 0x73A60u);
}

}  // namespace
}  // namespace velmora
