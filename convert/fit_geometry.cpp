// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/fit_geometry.h"

#include <algorithm>
#include <cstdint>

namespace velmora {
namespace {

int roundedRatio(std::int64_t a, std::int64_t b) {
    return static_cast<int>(std::max<std::int64_t>(1, (2 * a + b) / (2 * b)));
}

}  // namespace

AspectFraction fractionOf(DisplayAspect aspect) {
    return aspect == DisplayAspect::Wide ? AspectFraction{16, 9} : AspectFraction{4, 3};
}

PixelSize fittedSize(PixelSize photo, AspectFraction display, FitMode fit) {
    if (fit == FitMode::Stretch || photo.width <= 0 || photo.height <= 0) return photo;
    // Wider than the display: w * den > h * num.
    const std::int64_t w = photo.width;
    const std::int64_t h = photo.height;
    const bool wider = w * display.den > h * display.num;
    if (fit == FitMode::Crop) {
        if (wider)
            return {std::min(photo.width, roundedRatio(h * display.num, display.den)),
                    photo.height};
        return {photo.width, std::min(photo.height, roundedRatio(w * display.den, display.num))};
    }
    if (wider)
        return {photo.width, std::max(photo.height, roundedRatio(w * display.den, display.num))};
    return {std::max(photo.width, roundedRatio(h * display.num, display.den)), photo.height};
}

}  // namespace velmora
