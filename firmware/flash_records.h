// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "firmware/anchors.h"

// The firmware's record formats, each in one place: the scan, the pointer
// locator, the writer and the verification all build and read them here.
namespace velmora {

// The player reads flash in sectors of 2048 bytes: a moved MPEG-2 picture
// takes whole sectors, and the records count them.
inline constexpr std::int64_t kSectorSize = 2048;

// One 16-bit segment of flash addresses (a FlashPointer offset stays below it).
inline constexpr std::uint32_t kSegmentSpan = 0x10000;

// A 32-bit value as the firmware stores it: little-endian.
[[nodiscard]] constexpr std::array<std::uint8_t, 4> le32(std::uint32_t v) {
    return {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
            static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
}

// FlashPointer: one 32-bit value (segment << 16 | offset), stored
// little-endian: the 16-bit offset first, then the 16-bit segment. Flash
// address A has two forms:
// - natural: segment (A >> 8) + SegmentBase, offset A & 0xFF;
// - counted from the 256-byte page of a base address (relativePointer), or
//   from the anchor region's page (anchorPointer).
inline constexpr std::int64_t kFlashPointerSize = 4;
[[nodiscard]] std::uint32_t flashPointer(std::uint16_t segment, std::uint32_t offset);
[[nodiscard]] std::uint32_t naturalFlashPointer(std::uint32_t address, std::uint32_t segmentBase);
// Segment SegmentBase + (base >> 8), offset e - (base >> 8) * 256. An offset of
// 64 KiB or more spills into the segment half, as the firmware's own
// arithmetic does.
[[nodiscard]] std::uint32_t relativePointer(std::uint32_t e, std::uint32_t base,
                                            std::uint32_t segmentBase);
// Inside the anchor region: segment AnchorSegment, offset from the region's page.
[[nodiscard]] std::uint32_t anchorPointer(std::uint32_t e, const Anchors& anchors);
// The flash address a pointer leads to, read in either form: the anchor form
// when its segment is the anchor segment, the natural or relative form
// otherwise ((segment - SegmentBase) * 256 + offset; may be negative for a
// pointer that leads nowhere).
[[nodiscard]] std::int64_t flashAddress(std::uint32_t pointer, const Anchors& anchors);
[[nodiscard]] std::int64_t flashAddress(std::uint32_t pointer, std::uint32_t segmentBase);

// PointerRecord of an MPEG-2 picture: a 16-bit sector count, then the
// FlashPointer of its SectorTable.
inline constexpr std::int64_t kPointerRecordSize = 2 + kFlashPointerSize;
// The sector count a PointerRecord holds for a picture whose stream spans
// `span` bytes.
[[nodiscard]] constexpr std::uint16_t pointerRecordCount(std::uint32_t span) {
    return static_cast<std::uint16_t>(span / kSectorSize + 1);
}

// SectorTable: one FlashPointer per sector of the picture, in order.
// The sectors a picture moved to a takes up to its tail end t.
[[nodiscard]] constexpr std::int64_t sectorCount(std::int64_t a, std::int64_t t) {
    return (t - a) / kSectorSize;
}
// n bytes rounded up to whole sectors.
[[nodiscard]] constexpr std::int64_t wholeSectors(std::int64_t n) {
    return (n + kSectorSize - 1) / kSectorSize * kSectorSize;
}

// SizeRecord of an MPEG-4 chunk: 5 bytes, the sector count (chunk bytes /
// 2048 + 1), two zero bytes and the chunk bytes modulo 2048 (low byte, then
// high byte). The chunk holds its 8 header bytes and the stream, padded to a
// whole number of words.
inline constexpr std::int64_t kSizeRecordSize = 5;
[[nodiscard]] constexpr std::uint32_t chunkBytes(std::uint32_t streamLength) {
    return (8 + streamLength + 1) & ~std::uint32_t{1};
}
[[nodiscard]] std::array<std::uint8_t, 5> sizeRecord(std::uint32_t streamLength);
// The first four bytes of the size record of a chunk of `span` bytes, as one
// little-endian word: what the scan looks for.
[[nodiscard]] constexpr std::uint32_t sizeRecordKey(std::uint32_t span) {
    return static_cast<std::uint32_t>(((span % kSectorSize) & 0xFF) << 24 |
                                      (span / kSectorSize + 1));
}

// An update image is a firmware whose file name ends in ".img" (any letter
// case); its last byte (odd size) or each of its last two bytes (even size)
// is the 8-bit sum of all bytes before them.
[[nodiscard]] bool isUpdateImage(const std::string& firmwarePath);
[[nodiscard]] constexpr std::int64_t checksumWidth(std::int64_t imageSize) {
    return imageSize % 2 == 1 ? 1 : 2;
}

}  // namespace velmora
