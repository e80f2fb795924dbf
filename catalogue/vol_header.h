// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <span>

namespace velmora {

struct VolSize {
    int width = 0;
    int height = 0;
};

// Reads the picture size from an MPEG-4 video object layer header. `header`
// starts with the layer's start code (bit 0 is the most significant bit of its
// first byte); bits past its end read as 0.
[[nodiscard]] VolSize parseVolSize(std::span<const std::uint8_t> header);

}  // namespace velmora
