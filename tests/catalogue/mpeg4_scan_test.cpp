// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "person/hex_text.h"
#include "tests/catalogue/scan_fixture.h"

namespace velmora {
namespace {

using testing::Analysed;
using testing::Bytes;
using testing::place;
using testing::VolFields;

constexpr std::size_t kChunkAt = 0x1000;

// The FlashPointer the player uses for a chunk tag at `start`.
std::uint32_t chunkPointer(std::uint32_t start, std::uint32_t segmentBase) {
    return ((start >> 8) + segmentBase) * 65536 + (start & 0xFF);
}

// An image with one chunk at kChunkAt; its SizeRecord `padding` bytes after the chunk and
// the pointer right after the record, before an erased tail that starts at 0x8000.
Bytes chunkImage(const Bytes& chunk, std::size_t padding, bool withPointer = true) {
    Bytes image = testing::fillerImage(0x10000);
    std::fill(image.begin() + 0x8000, image.end(), 0xFF);
    place(image, kChunkAt, chunk);
    const std::size_t end = kChunkAt + chunk.size();
    std::fill_n(image.begin() + static_cast<std::ptrdiff_t>(end), padding, 0x00);
    const std::size_t record = end + padding;
    const auto span = static_cast<std::uint32_t>(chunk.size());
    testing::putLe32(image, record, (span % 2048 & 0xFF) << 24 | (span / 2048 + 1));
    image[record + 4] = static_cast<std::uint8_t>(span % 2048 >> 8);
    if (withPointer) testing::putLe32(image, record + 0x40, chunkPointer(kChunkAt, 0));
    return image;
}

TEST(Mpeg4Scan, ChunkWithSizeRecordAndPointer) {
    const Bytes stream = testing::mpeg4Stream(VolFields{}, 3001);
    const Bytes chunk = testing::videoChunk(stream, false);
    const Analysed a(chunkImage(chunk, 10));
    ASSERT_EQ(a.session.PictureCount, 1);
    const PictureEntry& e = a.entry(0);
    EXPECT_EQ(e.Kind, 4);
    EXPECT_EQ(e.Start, kChunkAt);
    EXPECT_EQ(e.End, kChunkAt + chunk.size());
    EXPECT_EQ(e.End % 2, 0u) << "odd lengths are padded";
    EXPECT_EQ(e.RoomEnd, e.End + 10);
    EXPECT_EQ(e.PointerAddr, e.End + 10 + 0x40);
    EXPECT_EQ(e.Spare, 10);
    EXPECT_EQ(e.Width, 720);
    EXPECT_EQ(e.Height, 576);
    EXPECT_EQ(e.FrameRate, 25.0);
    EXPECT_FALSE(e.WordSwapped);
    const int header = static_cast<int>(stream.size() - 3001 - 4);  // layer start code .. VOP code
    EXPECT_EQ(e.HeaderLength, header);
    EXPECT_EQ(e.DataSize, static_cast<std::int32_t>(e.End - e.Start) - header - 8);
    EXPECT_EQ(a.ui.lines[a.ui.lines.size() - 4],
              "------------------------- Picture #1 --------------------------------");
}

TEST(Mpeg4Scan, WordSwappedChunkReadsTheSame) {
    const Bytes stream = testing::mpeg4Stream(VolFields{}, 3001);
    const Analysed plain(chunkImage(testing::videoChunk(stream, false), 10));
    const Analysed swapped(chunkImage(testing::videoChunk(stream, true), 10));
    ASSERT_EQ(swapped.session.PictureCount, 1);
    const PictureEntry& e = swapped.entry(0);
    EXPECT_TRUE(e.WordSwapped);
    EXPECT_EQ(e.End, plain.entry(0).End);
    EXPECT_EQ(e.Width, 720);
    EXPECT_EQ(e.HeaderLength, plain.entry(0).HeaderLength);
    EXPECT_EQ(e.PointerAddr, plain.entry(0).PointerAddr);
}

TEST(Mpeg4Scan, FrameRateFollowsTheHeightAlone) {
    VolFields ntsc;
    ntsc.width = 640;
    ntsc.height = 480;
    const Analysed a(chunkImage(testing::videoChunk(testing::mpeg4Stream(ntsc, 500), false), 0));
    EXPECT_EQ(a.entry(0).FrameRate, 29.97);
    EXPECT_TRUE(a.ui.hasLine("MPEG4 Video 640x480 29.97 fps stream found at 0x00001000 - 0x" +
                             std::string(Hex8(a.entry(0).End)) + ","));
}

TEST(Mpeg4Scan, WithoutPointerTheRoomEndsAtTheChunk) {
    const Bytes chunk = testing::videoChunk(testing::mpeg4Stream(VolFields{}, 500), false);
    const Analysed a(chunkImage(chunk, 10, false));
    ASSERT_EQ(a.session.PictureCount, 1);
    EXPECT_EQ(a.entry(0).PointerAddr, 0u);
    EXPECT_EQ(a.entry(0).RoomEnd, a.entry(0).End);
    EXPECT_EQ(a.entry(0).Spare, 0);
}

TEST(Mpeg4Scan, TagWithALargeLengthIsNoPicture) {
    Bytes chunk = testing::videoChunk(testing::mpeg4Stream(VolFields{}, 500), false);
    chunk[7] = 0x01;
    EXPECT_FALSE(Analysed(chunkImage(chunk, 0)).found);
}

TEST(Mpeg4Scan, HeaderWithoutVopCodeEndsTheScan) {
    Bytes stream{0x00, 0x00, 0x01, 0x00};
    const Bytes vol = testing::volHeader(VolFields{});
    stream.insert(stream.end(), vol.begin(), vol.end());
    stream.insert(stream.end(), 200, 0x33);
    Bytes image = chunkImage(testing::videoChunk(stream, false), 0);
    place(image, 0x6000, testing::mpeg2Stream(720, 576, 0x23, 100));
    const Analysed a(image);
    EXPECT_FALSE(a.found) << "the MPEG-2 picture after it is never reached";
    EXPECT_EQ(a.ui.lines[a.ui.lines.size() - 2], "Search complete!");
}

TEST(Mpeg4Scan, ChunkReachingPastTheFileIsDropped) {
    Bytes image = testing::fillerImage(0x2000);
    Bytes chunk = testing::videoChunk(testing::mpeg4Stream(VolFields{}, 100), false);
    chunk[6] = 0x10;  // a length of about 1 MiB
    place(image, 0x1000, chunk);
    const Analysed a(image);
    EXPECT_FALSE(a.found);
}

TEST(Mpeg4Scan, MissingVideoObjectCodeDropsTheCandidate) {
    Bytes image = testing::fillerImage(0x2000);
    place(image, 0x1000, {'0', '0', 'd', 'c', 0x10, 0x00, 0x00, 0x00});
    place(image, 0x1800, testing::mpeg2Stream(720, 576, 0x23, 100));
    const Analysed a(image);
    EXPECT_EQ(a.session.PictureCount, 1) << "the scan goes on after the dropped chunk";
}

}  // namespace
}  // namespace velmora
