// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "catalogue/picture_table.h"
#include "firmware/byte_image.h"

namespace velmora::testing {

// A byte-normalised firmware image holding one picture, with the entry the
// analysis would make for it and the stream extraction must give back.
struct SyntheticPicture {
    std::vector<std::uint8_t> image;
    PictureEntry entry;
    std::vector<std::uint8_t> expected;  // the saved stream's bytes
};

// Stream bytes that tell their positions apart (never a long zero run).
[[nodiscard]] std::vector<std::uint8_t> patternedStream(std::size_t length, std::uint8_t seed = 1);

// An MPEG-2 stream stored from start in blocks of block bytes, each after a gap
// header of gap bytes (gap 0: in one piece). The entry's End is one past the
// last stream byte; imageSize is rounded up to even.
[[nodiscard]] SyntheticPicture fragmentedMpeg2(const std::vector<std::uint8_t>& stream,
                                               std::uint32_t start, int block, int gap,
                                               std::size_t imageSize);

// An MPEG-4 chunk at start ("00dc", or "00cd" with the data's pairs exchanged).
[[nodiscard]] SyntheticPicture mpeg4Chunk(const std::vector<std::uint8_t>& stream,
                                          std::uint32_t start, bool wordSwapped,
                                          std::size_t imageSize);

// The image as a dump stores it: unchanged, or with every 16-bit word swapped.
[[nodiscard]] ByteImage storedAs(const std::vector<std::uint8_t>& image, bool byteSwapped,
                                 const std::string& name = "dump.bin");

}  // namespace velmora::testing
