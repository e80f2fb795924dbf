// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

#include "catalogue/picture_table.h"

namespace velmora {

// Just past the last byte a replacement writes: the stream with its headers and
// filler or padding, and the records that point at it. A replacement whose
// extent lies beyond the firmware's end is refused before anything is written.
[[nodiscard]] std::int64_t replacementExtent(const PictureEntry& entry, std::int64_t streamLength,
                                             bool moved, std::uint32_t freeSpaceAddr);

}  // namespace velmora
