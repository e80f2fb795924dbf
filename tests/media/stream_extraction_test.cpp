// SPDX-License-Identifier: GPL-3.0-or-later
#include "media/stream_extraction.h"

#include <gtest/gtest.h>

#include "firmware/io_error.h"
#include "tests/media/synthetic_pictures.h"

namespace velmora {
namespace {

using testing::fragmentedMpeg2;
using testing::mpeg4Chunk;
using testing::patternedStream;
using testing::storedAs;

struct Mpeg2Case {
    const char* name;
    std::size_t length;
    std::uint32_t start;
    int block;
    int gap;
};

// Every layout comes out the same from the plain and the byte-swapped store.
const Mpeg2Case kMpeg2Cases[] = {
    {"unfragmented", 301, 0x100, 0, 0},
    {"unfragmented, odd start and odd end", 300, 0x101, 0, 0},
    {"end inside the last block", 1000, 0x400, 256, 16},
    {"end exactly at a block end", 1024, 0x400, 256, 16},
    {"one partial block", 100, 0x400, 256, 16},
    {"odd last pair", 777, 0x400, 256, 32},
    {"odd gap length", 900, 0x400, 256, 7},
    {"odd block length", 900, 0x400, 255, 9},
    {"odd start", 900, 0x401, 256, 16},
    {"long gaps", 5000, 0x40, 2048, 64},
};

TEST(ExtractMpeg2Stream, GivesTheStreamWithoutGapsFromBothByteOrders) {
    for (const auto& c : kMpeg2Cases) {
        SCOPED_TRACE(c.name);
        const auto p = fragmentedMpeg2(patternedStream(c.length), c.start, c.block, c.gap, 0x2000);
        const auto plain = ExtractMpeg2Stream(storedAs(p.image, false), p.entry, false);
        const auto swapped = ExtractMpeg2Stream(storedAs(p.image, true), p.entry, true);
        EXPECT_EQ(plain, p.expected);
        EXPECT_EQ(swapped, p.expected);
    }
}

TEST(ExtractMpeg2Stream, EndInsideAGapHeaderCopiesTheLastBlockWholeAndStops) {
    // The end lies three bytes into the gap after the first block: the walk
    // copies that block whole and the next block would start past the end.
    const auto stream = patternedStream(600);
    auto p = fragmentedMpeg2(stream, 0x200, 256, 16, 0x1000);
    p.entry.End = 0x200 + 256 + 3;
    const std::vector<std::uint8_t> firstBlock(stream.begin(), stream.begin() + 256);
    for (bool swapped : {false, true}) {
        EXPECT_EQ(ExtractMpeg2Stream(storedAs(p.image, swapped), p.entry, swapped), firstBlock);
    }
}

TEST(ExtractMpeg2Stream, OddLastPairOfASwappedStoreEndsWithTheStreamsLastByte) {
    const auto stream = patternedStream(513);  // 256 + 256 + 1: one byte in the last block
    const auto p = fragmentedMpeg2(stream, 0x100, 256, 16, 0x800);
    ASSERT_EQ((p.entry.End - p.entry.Start) % 2, 1u);
    const auto out = ExtractMpeg2Stream(storedAs(p.image, true), p.entry, true);
    ASSERT_EQ(out.size(), stream.size());
    EXPECT_EQ(out.back(), stream.back());
}

TEST(ExtractMpeg2Stream, UnknownBlockLengthTakesTheStreamInOnePiece) {
    // A stream shorter than one block has no gap header inside it, so the
    // analysis finds no block length; the stream is still there, whole.
    const auto stream = patternedStream(700);
    auto p = fragmentedMpeg2(stream, 0x100, 4096, 32, 0x1000);
    p.entry.BlockLength = 0;
    EXPECT_EQ(ExtractMpeg2Stream(storedAs(p.image, false), p.entry, false), stream);
    EXPECT_EQ(ExtractMpeg2Stream(storedAs(p.image, true), p.entry, true), stream);
}

TEST(ExtractMpeg2Stream, NeverReadsOutsideTheFile) {
    auto p = fragmentedMpeg2(patternedStream(200), 0x100, 0, 0, 0x200);
    p.entry.End = 0x300;  // past the end of a 0x200-byte file
    p.entry.BlockLength = 0x200;
    try {
        (void)ExtractMpeg2Stream(storedAs(p.image, false, "short.bin"), p.entry, false);
        FAIL() << "no IoError";
    } catch (const IoError& e) {
        EXPECT_NE(std::string(e.what()).find("short.bin"), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find("0x00000"), std::string::npos) << e.what();
    }
    // A swapped dump of odd size: the last image byte would be stored past the end.
    std::vector<std::uint8_t> odd(0x101, 0x11);
    PictureEntry tail;
    tail.Kind = kKindMpeg2;
    tail.Start = 0xF0;
    tail.End = 0x101;
    tail.BlockLength = 0x11;
    EXPECT_THROW((void)ExtractMpeg2Stream(ByteImage("odd.bin", odd), tail, true), IoError);
    EXPECT_NO_THROW((void)ExtractMpeg2Stream(ByteImage("odd.bin", odd), tail, false));
}

TEST(ExtractMpeg4Stream, BothTagsFromBothByteOrdersGiveTheSameFile) {
    struct Case {
        std::size_t length;
        std::uint32_t start;
    };
    for (const Case c : {Case{400, 0x300}, Case{401, 0x300}, Case{33, 0x120}, Case{402, 0x301}}) {
        SCOPED_TRACE(c.length);
        const auto stream = patternedStream(c.length, 7);
        std::vector<std::vector<std::uint8_t>> outputs;
        for (bool wordSwapped : {false, true}) {
            const auto p = mpeg4Chunk(stream, c.start, wordSwapped, 0x1000);
            for (bool byteSwapped : {false, true}) {
                const auto out =
                    ExtractMpeg4Stream(storedAs(p.image, byteSwapped), p.entry, byteSwapped);
                EXPECT_EQ(out, p.expected) << wordSwapped << byteSwapped;
                outputs.push_back(out);
            }
        }
        for (const auto& out : outputs) EXPECT_EQ(out, outputs.front());
    }
}

TEST(ExtractMpeg4Stream, StartsWithTheFixedHeaderAndHoldsTheChunkData) {
    const auto stream = patternedStream(120, 3);
    const auto p = mpeg4Chunk(stream, 0x40, false, 0x200);
    const auto out = ExtractMpeg4Stream(storedAs(p.image, false), p.entry, false);
    ASSERT_EQ(out.size(), 10 + p.entry.End - p.entry.Start - 8);
    EXPECT_TRUE(std::equal(kMpeg4StreamHeader.begin(), kMpeg4StreamHeader.end(), out.begin()));
    EXPECT_TRUE(std::equal(stream.begin(), stream.end(), out.begin() + 10));
}

TEST(ExtractMpeg4Stream, AChunkRunningPastTheFileIsAnIoError) {
    auto p = mpeg4Chunk(patternedStream(100), 0x40, true, 0x100);
    p.entry.End = 0x140;
    EXPECT_THROW((void)ExtractMpeg4Stream(storedAs(p.image, false), p.entry, false), IoError);
}

TEST(ExtractPictureStream, ChoosesTheWalkByKind) {
    const auto m2 = fragmentedMpeg2(patternedStream(90), 0x10, 32, 8, 0x100);
    EXPECT_EQ(extractPictureStream(storedAs(m2.image, false), m2.entry, false), m2.expected);
    const auto m4 = mpeg4Chunk(patternedStream(90), 0x10, false, 0x100);
    EXPECT_EQ(extractPictureStream(storedAs(m4.image, false), m4.entry, false), m4.expected);
}

}  // namespace
}  // namespace velmora
