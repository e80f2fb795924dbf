// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <span>

#include "catalogue/picture_table.h"
#include "firmware/byte_image.h"

namespace velmora {

// Where an MPEG-4 stream lands as a video chunk: tag, 32-bit length, data.
struct Mpeg4Layout {
    std::int64_t ChunkStart = 0;     // the tag: freeSpaceAddr when moved, else Start
    std::int64_t DataEnd = 0;        // just past the data (Q)
    std::int64_t WrittenEnd = 0;     // just past the zero padding up to RoomEnd (in place only)
    std::uint32_t NextFree = 0;      // the next multiple of 16 strictly above DataEnd (F)
    std::uint32_t StreamLength = 0;  // L, the value of the length field
};

[[nodiscard]] Mpeg4Layout planMpeg4(const PictureEntry& entry, std::int64_t streamLength,
                                    bool moved, std::uint32_t freeSpaceAddr);

// Writes the chunk: a moved one gets its own tag ("00dc", or "00cd" for a
// word-swapped chunk), one in place keeps the old tag and is padded with zero
// bytes up to its size record. A word-swapped chunk has its length and data
// swapped within each 16-bit word, an odd last byte paired with a zero.
Mpeg4Layout placeMpeg4(ByteImage& target, const PictureEntry& entry,
                       std::span<const std::uint8_t> stream, bool moved,
                       std::uint32_t freeSpaceAddr);

}  // namespace velmora
