// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <span>

#include "catalogue/picture_table.h"
#include "firmware/byte_image.h"

namespace velmora {

// Where an MPEG-2 stream of a given length lands: a run of blocks, each
// preceded by a gap header, then a filler of two zero bytes and 01 B9 pairs.
struct Mpeg2Layout {
    std::int64_t FirstBlock = 0;  // the first stream byte
    std::int64_t DataEnd = 0;     // just past the last stream byte
    std::int64_t TailEnd = 0;     // just past the filler: RoomEnd in place, a sector boundary moved
};

// A fragmented picture needs its BlockLength (the replacement refuses one
// without it before planning). moved: the picture goes to freeSpaceAddr, with its first gap header
// in front and its end rounded up to whole 2048-byte sectors; otherwise it goes to Start, whose
// header stays, and the filler stops at RoomEnd.
[[nodiscard]] Mpeg2Layout planMpeg2(const PictureEntry& entry, std::int64_t streamLength,
                                    bool moved, std::uint32_t freeSpaceAddr);

// Lays the stream into target as planned; returns the layout. Every later gap
// header gets the bytes of the picture's first one.
Mpeg2Layout placeMpeg2(ByteImage& target, const PictureEntry& entry,
                       std::span<const std::uint8_t> stream, bool moved,
                       std::uint32_t freeSpaceAddr);

// Two zero bytes, then 01 B9 pairs, from `from` up to (not including) `to`.
void writeMpeg2Filler(ByteImage& target, std::int64_t from, std::int64_t to);

}  // namespace velmora
