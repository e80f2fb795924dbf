// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

#include "firmware/anchors.h"
#include "firmware/byte_image.h"

namespace velmora {

// A FlashPointer to address e counted from the 256-byte page of base: segment
// SegmentBase + (base >> 8), offset e - (base >> 8) * 256. An offset of 64 KiB
// or more spills into the segment half, as the firmware's own arithmetic does.
[[nodiscard]] std::uint32_t relativePointer(std::uint32_t e, std::uint32_t base,
                                            std::uint32_t segmentBase);

// The same inside the anchor region: segment AnchorSegment, offset from the region's page.
[[nodiscard]] std::uint32_t anchorPointer(std::uint32_t e, const Anchors& anchors);

// Finds the PointerRecord of the MPEG-2 picture start..end whose first gap
// header lies gap bytes before start: the SectorTable that points at that
// header, then the record (block count + pointer to the table). Both lie after
// the picture. Returns the record's offset, 0 when none was found.
[[nodiscard]] std::uint32_t LocatePointer(const ByteImage& image, const Anchors& anchors,
                                          std::uint32_t start, std::uint32_t end,
                                          std::uint32_t base, std::int32_t gap);

}  // namespace velmora
