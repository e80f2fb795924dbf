// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "convert/photo_preparation.h"

namespace velmora {

// The fast way for a JPEG photo in full colour: decoded at the DCT scale that
// still covers the frame, and resized to it while it decodes (the rows are
// filtered on a second core as they come), with the weights ImageMagick's
// resize has. The fit's crop or borders are applied on the way; the
// orientation is not: the result is the frame turned back (height x width
// for a quarter turn), for the caller to turn. nullopt when this photo is not
// one the fast way decodes exactly (or the decoder complained): then the
// library's way goes on. Throws PreparationError when cancelled.
[[nodiscard]] std::optional<PreparedPhoto> decodeJpegToFrame(std::span<const std::uint8_t> jpeg,
                                                             const ReplaceOptions& options,
                                                             PixelSize frame,
                                                             AspectFraction display,
                                                             const PreparationCancelled& cancelled);

}  // namespace velmora
