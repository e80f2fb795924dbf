#pragma once

#include "media/picture_actions.h"
#include "media/targa.h"

namespace velmora {

// The loaded picture as the preview shows it: rows top to bottom, blue, green
// and red of every pixel (a fourth byte is dropped). image must hold pixels.
[[nodiscard]] PreviewPicture previewFromTarga(const TargaImage& image, int number);

}  // namespace velmora
