// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "media/first_picture.h"

namespace velmora {

// The picture as a PNG file (24-bit RGB, its own size); nullopt when the
// encoder cannot make one.
[[nodiscard]] std::optional<std::vector<std::uint8_t>> encodePng(const BgrPicture& picture);

}  // namespace velmora
