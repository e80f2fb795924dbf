// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

#include "firmware/byte_image.h"

namespace velmora {

// The unoccupied flash area; a move advances it past what was written.
struct FreeSpace {
    std::uint32_t FreeSpaceAddr = 0;  // first byte of the longest erased run; 0 = none
    std::int32_t FreeSpaceSize = 0;   // erased bytes in that run; 0 = none
};

// What the walk over the flash rows finds.
struct FlashRows {
    FreeSpace free;
    std::uint32_t DataMarker = 0;  // offset of the last marker row; 0 = not found
};

// The 12 bytes that open the data marker row: four zero bytes, then "NULL CHE".
inline constexpr std::uint32_t kDataMarkerWords[3] = {0x00000000, 0x4C4C554E, 0x45484320};

// Looks through the image in 16-byte rows for the longest run of erased (FF)
// words and for the data marker row. Only runs when the image begins with the
// bytes FA A1. Throws IoError when the image is too short for the first row.
[[nodiscard]] FlashRows findFreeSpace(const ByteImage& image, std::uint16_t firstWord);

}  // namespace velmora
