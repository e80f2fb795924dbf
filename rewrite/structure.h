// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>

#include "catalogue/picture_table.h"
#include "firmware/byte_image.h"
#include "firmware/free_space.h"
#include "person/dialogs.h"

namespace velmora {

// A FlashPointer as one 32-bit value (segment << 16 | offset), stored
// little-endian: the 16-bit offset first, then the 16-bit segment.
[[nodiscard]] std::uint32_t flashPointer(std::uint16_t segment, std::uint32_t offset);
// The natural pointer for a flash address: segment (A >> 8) + SegmentBase, offset A & 0xFF.
[[nodiscard]] std::uint32_t naturalFlashPointer(std::uint32_t address, std::uint32_t segmentBase);

// The 5-byte size record of an MPEG-4 chunk holding a stream of L bytes.
[[nodiscard]] std::array<std::uint8_t, 5> sizeRecord(std::uint32_t streamLength);

// The number of 2048-byte sectors of a picture moved to a (from a to its tail end t).
[[nodiscard]] std::int64_t sectorCount(std::int64_t a, std::int64_t t);

// A moved MPEG-2 picture: writes its sector table at tailEnd and points its
// PointerRecord at it; returns the free area behind the table.
[[nodiscard]] FreeSpace recreateMpeg2Structure(ByteImage& target, const PictureEntry& entry,
                                               std::uint32_t segmentBase, FreeSpace before,
                                               std::int64_t tailEnd);

// An MPEG-4 picture, moved or not: its size record (when its pointer is known)
// and its pointer. A move returns the free area behind the chunk (nextFree).
[[nodiscard]] FreeSpace recreateMpeg4Structure(ByteImage& target, Dialogs& ui,
                                               const PictureEntry& entry, std::uint32_t segmentBase,
                                               bool moved, FreeSpace before,
                                               std::uint32_t streamLength, std::uint32_t nextFree);

}  // namespace velmora
