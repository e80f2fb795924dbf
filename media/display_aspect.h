// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <span>

namespace velmora {

// The shape of one stored pixel as the TV shows it, num:den (wider than high
// when num > den); 0:0 when the stream does not say.
struct PixelAspect {
    int num = 0;
    int den = 0;
};

// What an MPEG-2 stream's sequence header says (its aspect_ratio_information:
// square pixels, 4:3, 16:9 or 2.21:1 for the whole picture); the stream starts
// at 00 00 01 B3.
[[nodiscard]] PixelAspect mpeg2PixelAspect(std::span<const std::uint8_t> stream);

// The width a picture `width` pixels wide is shown at with pixels of this
// shape (its height stays); `width` itself when the shape is unknown.
[[nodiscard]] int displayWidth(int width, PixelAspect aspect);

}  // namespace velmora
