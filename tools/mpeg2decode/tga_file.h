// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "media/first_picture.h"

namespace velmora::tools {

using velmora::BgrPicture;

// An uncompressed 24-bit true-colour TGA file (image type 2, 18-byte header, no image
// ID, no colour map, rows bottom to top). Throws ToolError for a size TGA cannot hold.
[[nodiscard]] std::vector<std::uint8_t> tgaFileOf(const BgrPicture& picture);

}  // namespace velmora::tools
