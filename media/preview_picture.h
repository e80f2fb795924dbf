// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>

#include "media/picture_actions.h"
#include "media/targa.h"

namespace velmora {

// The loaded picture as the preview shows it: rows top to bottom, blue, green
// and red of every pixel (a fourth byte is dropped); nullopt when the image
// holds no pixels.
[[nodiscard]] std::optional<PreviewPicture> previewFromTarga(const TargaImage& image, int number);

}  // namespace velmora
