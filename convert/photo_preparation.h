// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "catalogue/session.h"
#include "convert/fit_geometry.h"

namespace velmora {

// A photo that could not be read or prepared.
class PreparationError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The photo as the picture will show it: width x height, 8-bit RGB, row by row.
struct PreparedPhoto {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;
};

// Reads the photo (any still-picture format ImageMagick reads) and applies
// what the converter of the tool chain applies, in its order: "Color control",
// "Orientation", then the resize to exactly the picture's frame; the fit
// before that resize. Throws PreparationError. `cancelled` is asked as the
// picture library goes, row by row: a large photo takes a while to decode and
// resize, and the person's cancel must not wait for it. Once it says yes the
// preparation stops with a PreparationError.
//
// A JPEG in full colour goes the fast way (decoded at the scale it needs and
// resized while it decodes, the same picture within rounding); everything
// else, and `Library`, goes ImageMagick's way.
using PreparationCancelled = std::function<bool()>;
enum class PreparationWay { Fastest, Library };
[[nodiscard]] PreparedPhoto preparePhoto(const std::string& path, const ReplaceOptions& options,
                                         PixelSize frame, AspectFraction display,
                                         const PreparationCancelled& cancelled = {},
                                         PreparationWay way = PreparationWay::Fastest);

// For the tool chain: the photo cropped or bordered, in its own orientation,
// so that after the chain's rotation it has the display's proportions; a
// JPEG of quality 100 at out. Throws PreparationError.
void writeFittedSource(const std::string& path, const std::string& out,
                       const ReplaceOptions& options, AspectFraction display);

}  // namespace velmora
