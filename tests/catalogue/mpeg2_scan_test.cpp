// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "catalogue/pointer_locator.h"
#include "tests/catalogue/scan_fixture.h"

namespace velmora {
namespace {

using testing::Analysed;
using testing::Bytes;
using testing::mpeg2Stream;
using testing::place;

TEST(Mpeg2Scan, NonFragmentedPictureWithFillerAndSpare) {
    Bytes image = testing::fillerImage(0x8000);
    const Bytes stream = mpeg2Stream(720, 576, 0x23, 1000);
    place(image, 0x1000, stream);
    const std::size_t end = 0x1000 + stream.size();
    place(image, end, {0x00, 0x00, 0x01, 0xB9, 0x01, 0xB9, 0x01, 0xB9});
    const Analysed a(image);
    ASSERT_EQ(a.session.PictureCount, 1);
    const PictureEntry& e = a.entry(0);
    EXPECT_EQ(e.Kind, 2);
    EXPECT_EQ(e.Start, 0x1000u);
    EXPECT_EQ(e.End, end);
    EXPECT_EQ(e.RoomEnd, end + 8);
    EXPECT_EQ(e.GapLength, 0);
    EXPECT_EQ(e.BlockLength, static_cast<std::int32_t>(stream.size()));
    EXPECT_EQ(e.DataSize, static_cast<std::int32_t>(stream.size()));
    EXPECT_EQ(e.Spare, 6);
    EXPECT_EQ(e.Width, 720);
    EXPECT_EQ(e.Height, 576);
    EXPECT_EQ(e.FrameRate, 25.0);
    EXPECT_EQ(e.PointerAddr, 0u);
    EXPECT_TRUE(a.ui.hasLine("non-fragmented."));
    EXPECT_TRUE(a.ui.hasLine("Spare space  0x0006 (6 bytes) found."));
}

TEST(Mpeg2Scan, OnlyTheWholeByte24SelectsNtscRate) {
    for (const auto& [rate, expected] :
         {std::pair<std::uint8_t, double>{0x24, 29.97}, {0x34, 25.0}, {0x14, 25.0}}) {
        Bytes image = testing::fillerImage(0x4000);
        place(image, 0x1000, mpeg2Stream(720, 480, rate, 100));
        const Analysed a(image);
        ASSERT_EQ(a.session.PictureCount, 1);
        EXPECT_EQ(a.entry(0).FrameRate, expected);
    }
}

// A fragmented picture: the stream split into blocks behind 48-byte gap headers
// that start with eight zero bytes.
Bytes fragmentedImage(const Bytes& stream, int block, int gap, std::size_t start) {
    Bytes image = testing::fillerImage(0x10000);
    Bytes header(static_cast<std::size_t>(gap), 0x5A);
    std::fill_n(header.begin(), 8, 0x00);
    std::size_t at = start - static_cast<std::size_t>(gap);
    for (std::size_t done = 0; done < stream.size(); done += static_cast<std::size_t>(block)) {
        place(image, at, header);
        at += static_cast<std::size_t>(gap);
        const auto n = std::min<std::size_t>(static_cast<std::size_t>(block), stream.size() - done);
        place(image, at,
              Bytes(stream.begin() + static_cast<std::ptrdiff_t>(done),
                    stream.begin() + static_cast<std::ptrdiff_t>(done + n)));
        at += n;
    }
    place(image, at, {0x00, 0x00, 0x01, 0xB9, 0x01, 0xB9});
    return image;
}

TEST(Mpeg2Scan, FragmentedPictureLayoutAndDataSize) {
    const Bytes stream = mpeg2Stream(720, 576, 0x23, 4500 - 12);
    const Analysed a(fragmentedImage(stream, 2000, 48, 0x2000));
    ASSERT_EQ(a.session.PictureCount, 1);
    const PictureEntry& e = a.entry(0);
    EXPECT_EQ(e.GapLength, 48);
    EXPECT_EQ(e.BlockLength, 2000);
    EXPECT_EQ(e.End, 0x2000u + 4500 + 2 * 48);
    EXPECT_EQ(e.DataSize, 4500);
    EXPECT_EQ(e.GapBytes[0], 0x00);
    EXPECT_EQ(e.GapBytes[47], 0x5A);
    EXPECT_TRUE(a.ui.hasLine("fragmented on 0x07D0 blocks with 0x0030 gaps."));
    // Filler 00 00 01 B9 01 B9 then code: room of 6 bytes, in the last, partly filled block.
    EXPECT_EQ(e.RoomEnd, e.End + 6);
    EXPECT_EQ(e.Spare, 6 - (500 + 6) / 2048 * 48 - 2);
}

TEST(Mpeg2Scan, ExactlyFourZeroBytesBeforeTheStreamAreNoGapHeader) {
    Bytes image = testing::fillerImage(0x4000);
    place(image, 0x1000 - 4, {0, 0, 0, 0});
    place(image, 0x1000, mpeg2Stream(720, 576, 0x23, 100));
    EXPECT_EQ(Analysed(image).entry(0).GapLength, 0);
    place(image, 0x1000 - 5, {0, 0, 0, 0, 0});
    EXPECT_EQ(Analysed(image).entry(0).GapLength, 5);
}

TEST(Mpeg2Scan, FragmentedWithoutEightZeroBytesHasBlockLengthZero) {
    Bytes image = testing::fillerImage(0x4000);
    place(image, 0x1000 - 8, {0, 0, 0, 0, 0, 0, 0, 0});
    place(image, 0x1000, mpeg2Stream(720, 576, 0x23, 100));
    const Analysed a(image);
    const PictureEntry& e = a.entry(0);
    EXPECT_EQ(e.GapLength, 8);
    EXPECT_EQ(e.BlockLength, 0);
    EXPECT_EQ(e.DataSize, static_cast<std::int32_t>((e.End - e.Start) % 8));
    EXPECT_TRUE(a.ui.hasLine("fragmented on 0x0000 blocks with 0x0008 gaps."));
}

TEST(Mpeg2Scan, DataSizeShowsOnlyItsLow16BitsInHexadecimal) {
    Bytes image = testing::fillerImage(0x20000);
    place(image, 0x1000, mpeg2Stream(720, 576, 0x23, 74565 - 12));
    const Analysed a(image);
    EXPECT_TRUE(a.ui.hasLine("Picture data size is 0x2345 (74565 bytes)"));
}

TEST(Mpeg2Scan, FillerWalkStopsAtTheFirstByteAfterTheLastPair) {
    Bytes image = testing::fillerImage(0x4000);
    const Bytes stream = mpeg2Stream(720, 576, 0x23, 100);
    place(image, 0x1000, stream);
    const std::size_t end = 0x1000 + stream.size();
    place(image, end, {0x00, 0x00, 0x01, 0xB9, 0xFF, 0xFF});
    EXPECT_EQ(Analysed(image).entry(0).RoomEnd, end + 4);
    place(image, end, {0x00, 0x00, 0x01, 0xB9, 0x01, 0xFF});
    EXPECT_EQ(Analysed(image).entry(0).RoomEnd, end + 5) << "the byte that is not B9";
}

TEST(Mpeg2Scan, RoomOfOneByteOrReachingTheEndGivesNoSpare) {
    Bytes image = testing::fillerImage(0x4000);
    const Bytes stream = mpeg2Stream(720, 576, 0x23, 100);
    place(image, 0x1000, stream);
    place(image, 0x1000 + stream.size(), {0x00});
    const Analysed tight(image);
    EXPECT_EQ(tight.entry(0).Spare, 0);
    EXPECT_FALSE(tight.ui.hasLine("No spare space found :("));

    Bytes tail = testing::fillerImage(0x1000 + stream.size());
    place(tail, 0x1000, stream);
    tail.insert(tail.end(), {0x00, 0x00, 0x01, 0xB9, 0x01, 0xB9});
    const Analysed atEnd(tail);
    ASSERT_EQ(atEnd.session.PictureCount, 1);
    EXPECT_EQ(atEnd.entry(0).Spare, 0);
    EXPECT_EQ(atEnd.entry(0).RoomEnd, tail.size() - 1);

    Bytes zeros = testing::fillerImage(0x1000 + stream.size());
    place(zeros, 0x1000, stream);
    zeros.insert(zeros.end(), 64, 0x00);
    const Analysed zeroTail(zeros);
    ASSERT_EQ(zeroTail.session.PictureCount, 1) << "a zero tail ends the walk, not the analysis";
    EXPECT_EQ(zeroTail.entry(0).RoomEnd, zeros.size());
    EXPECT_EQ(zeroTail.entry(0).Spare, 0);
}

TEST(Mpeg2Scan, EndCodeAfterThreeZerosIsFound) {
    Bytes image = testing::fillerImage(0x4000);
    Bytes stream = mpeg2Stream(720, 576, 0x23, 100);
    stream.insert(stream.end() - 4, 0x00);  // 00 00 00 01 B7
    place(image, 0x1000, stream);
    EXPECT_EQ(Analysed(image).entry(0).End, 0x1000 + stream.size());
}

TEST(Mpeg2Scan, StreamWithoutEndCodeIsSkippedAndTheScanGoesOn) {
    Bytes image = testing::fillerImage(0x4000);
    place(image, 0x1000, {0x00, 0x00, 0x01, 0xB3, 0x2D, 0x02, 0x40, 0x23});
    const Analysed a(image);
    EXPECT_FALSE(a.found);
    EXPECT_TRUE(a.ui.hasLine("Found endless videostream, skipping..."));
    EXPECT_TRUE(a.ui.hasLine("Sorry, no pictures found..."));

    Bytes last = testing::fillerImage(0x1000);
    const Bytes stream = mpeg2Stream(720, 576, 0x23, 100);
    last.insert(last.end(), stream.begin(), stream.end());
    EXPECT_FALSE(Analysed(last).found) << "an end code that is the last thing in the file";
}

TEST(Mpeg2Scan, SequenceHeaderNearOffsetZeroIsRead) {
    Bytes image = testing::fillerImage(0x4000);
    place(image, 2, {0x00, 0x00, 0x00, 0x00, 0x00});
    place(image, 8, mpeg2Stream(720, 576, 0x23, 100));
    const Analysed a(image);
    ASSERT_EQ(a.session.PictureCount, 1);
    EXPECT_EQ(a.entry(0).GapLength, 6);
}

TEST(Mpeg2Scan, SeventeenthPictureEndsTheScanWithANote) {
    Bytes image = testing::fillerImage(0x10000);
    for (std::size_t i = 0; i < 18; ++i)
        place(image, 0x400 + i * 0x400, mpeg2Stream(720, 576, 0x23, 100));
    const Analysed a(image);
    EXPECT_EQ(a.session.PictureCount, 16);
    const auto& lines = a.ui.lines;
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], "Only the first 16 pictures are listed.");
    EXPECT_EQ(lines.back(), "Search complete!");
}

TEST(Mpeg2Scan, PointerIsFoundThroughTheSectorTableAndMarkedInTheGrid) {
    Bytes image = testing::fillerImage(0x8000);
    const Bytes stream = mpeg2Stream(720, 576, 0x23, 3000);
    place(image, 0x1000, stream);
    const std::uint32_t table = 0x3000;
    testing::putLe32(image, table, relativePointer(0x1000, 0x1000, 0));
    testing::putLe16(image, 0x3100, 2);
    testing::putLe32(image, 0x3102, relativePointer(table, 0x1000, 0));
    const Analysed a(image);
    EXPECT_EQ(a.entry(0).PointerAddr, 0x3100u);
    EXPECT_EQ(gridRow(a.entry(0), 1)[0], "1*");
}

TEST(Mpeg2Scan, SecondTryCountsFromThePreviousPicturesHeader) {
    Bytes image = testing::fillerImage(0x8000);
    place(image, 0x1000, mpeg2Stream(720, 576, 0x23, 100));
    place(image, 0x1200, mpeg2Stream(720, 576, 0x23, 100));
    // The second picture's table and record are counted from page 0x10.
    testing::putLe32(image, 0x3000, relativePointer(0x1200, 0x1000, 0));
    testing::putLe16(image, 0x3100, 1);
    testing::putLe32(image, 0x3102, relativePointer(0x3000, 0x1000, 0));
    const Analysed a(image);
    ASSERT_EQ(a.session.PictureCount, 2);
    EXPECT_EQ(a.entry(1).PointerAddr, 0x3100u);
}

}  // namespace
}  // namespace velmora
