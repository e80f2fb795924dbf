// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <vector>

#include "catalogue/picture_table.h"

namespace velmora::testing {

// The picture's stream as the player reads it from a byte-normalised image:
// blocks without their gap headers, or a chunk's data (by its length field)
// in its natural byte order. Written apart from the program's extraction, so
// the round trips do not check the program against itself.
[[nodiscard]] std::vector<std::uint8_t> storedStream(const std::vector<std::uint8_t>& image,
                                                     const PictureEntry& e);

}  // namespace velmora::testing
