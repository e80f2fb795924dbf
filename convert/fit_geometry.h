// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "catalogue/session.h"
#include "convert/old_stream_parameters.h"

namespace velmora {

// A picture size in pixels.
struct PixelSize {
    int width = 0;
    int height = 0;
    friend bool operator==(const PixelSize&, const PixelSize&) = default;
};

// The display aspect as a fraction (4:3 or 16:9).
struct AspectFraction {
    int num = 4;
    int den = 3;
};
[[nodiscard]] AspectFraction fractionOf(DisplayAspect aspect);

// What the photo (square pixels, w x h as oriented) becomes before it is
// stretched to the picture's frame: for Crop the centred part of the display's
// proportions, for Fit the photo centred on black of those proportions, for
// Stretch the photo itself. Then a circle of the photo is a circle on the TV.
[[nodiscard]] PixelSize fittedSize(PixelSize photo, AspectFraction display, FitMode fit);

}  // namespace velmora
