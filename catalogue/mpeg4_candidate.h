// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

#include "catalogue/candidate.h"
#include "firmware/anchors.h"
#include "firmware/byte_image.h"

namespace velmora {

// A chunk tag "00dc" / "00cd" at q: length, video object layer header and size.
// Where the last search for a video object start code began and what it
// found (-1: none up to the end of the file): a search from anywhere in
// between finds the same. One for each word order.
struct VideoObjectMemo {
    std::int64_t from[2] = {-1, -1};
    std::int64_t found[2] = {-1, -1};
};

[[nodiscard]] Candidate readMpeg4Chunk(const ByteImage& image, std::int64_t q,
                                       VideoObjectMemo& memo);
[[nodiscard]] Candidate readMpeg4Chunk(const ByteImage& image, std::int64_t q);

// The SizeRecord and the FlashPointer that follow an accepted MPEG-4 chunk,
// searched up to freeSpaceAddr. False when the chunk reaches past the file.
[[nodiscard]] bool findMpeg4Records(const ByteImage& image, const Anchors& anchors,
                                    std::uint32_t freeSpaceAddr, PictureEntry& entry);

inline constexpr std::uint32_t kChunkTagDc = 0x63643030;  // bytes "00dc"
inline constexpr std::uint32_t kChunkTagCd = 0x64633030;  // bytes "00cd"

}  // namespace velmora
