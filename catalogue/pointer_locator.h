// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

#include "firmware/anchors.h"
#include "firmware/byte_image.h"
#include "firmware/flash_records.h"

namespace velmora {

// Finds the PointerRecord of the MPEG-2 picture start..end whose first gap
// header lies gap bytes before start: the SectorTable that points at that
// header, then the record (block count + pointer to the table). Both lie after
// the picture. Returns the record's offset, 0 when none was found.
[[nodiscard]] std::uint32_t LocatePointer(const ByteImage& image, const Anchors& anchors,
                                          std::uint32_t start, std::uint32_t end,
                                          std::uint32_t base, std::int32_t gap);

}  // namespace velmora
