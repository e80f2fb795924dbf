// SPDX-License-Identifier: GPL-3.0-or-later
#include "media/display_aspect.h"

#include <cmath>

namespace velmora {

PixelAspect mpeg2PixelAspect(std::span<const std::uint8_t> stream) {
    if (stream.size() < 8 || stream[0] != 0 || stream[1] != 0 || stream[2] != 1 ||
        stream[3] != 0xB3)
        return {};
    const int width = (stream[4] << 4) | (stream[5] >> 4);
    const int height = ((stream[5] & 0x0F) << 8) | stream[6];
    if (width <= 0 || height <= 0) return {};
    // The code gives the whole picture's shape; a pixel is that shape over width:height.
    switch (stream[7] >> 4) {
        case 1:
            return {1, 1};
        case 2:
            return {4 * height, 3 * width};
        case 3:
            return {16 * height, 9 * width};
        case 4:
            return {221 * height, 100 * width};
        default:
            return {};
    }
}

int displayWidth(int width, PixelAspect aspect) {
    if (aspect.num <= 0 || aspect.den <= 0) return width;
    const auto shown = std::lround(static_cast<double>(width) * aspect.num / aspect.den);
    return shown >= 1 ? static_cast<int>(shown) : width;
}

}  // namespace velmora
