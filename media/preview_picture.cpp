// SPDX-License-Identifier: GPL-3.0-or-later
#include "media/preview_picture.h"

#include <algorithm>

namespace velmora {

std::optional<PreviewPicture> previewFromTarga(const TargaImage& image, int number) {
    PreviewPicture picture;
    picture.number = number;
    picture.width = image.Width;
    picture.height = image.Height;
    const std::size_t width = image.Width;
    const std::size_t height = image.Height;
    const std::size_t b = static_cast<std::size_t>(image.bytesPerPixel());
    if (b < 3 || image.Pixels.size() != width * height * b) return std::nullopt;
    picture.bgr.resize(width * height * 3);
    for (std::size_t r = 0; r < height; ++r) {
        const std::uint8_t* source = image.Pixels.data() + r * width * b;
        std::uint8_t* target = picture.bgr.data() + (height - 1 - r) * width * 3;
        for (std::size_t x = 0; x < width; ++x) std::copy_n(source + x * b, 3, target + x * 3);
    }
    return picture;
}

}  // namespace velmora
