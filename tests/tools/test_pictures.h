// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace velmora::testing {

struct Rgb {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    bool operator==(const Rgb&) const = default;
};

// A picture as plain 8-bit RGB pixels, rows top to bottom.
struct RgbPicture {
    int width = 0;
    int height = 0;
    std::vector<Rgb> pixels;

    [[nodiscard]] Rgb at(int x, int y) const {
        return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                      static_cast<std::size_t>(x)];
    }
};

// A smooth colourful picture (many distinct colours) of the given size.
[[nodiscard]] RgbPicture colourfulPicture(int width, int height);

// A white picture with one pure red pixel at (x, y).
[[nodiscard]] RgbPicture markedPicture(int width, int height, int x, int y);

// Writes a picture with Magick++ in the format the file name's extension names
// (png, bmp, jpg); JPEGs at quality 95.
void savePicture(const RgbPicture& picture, const std::string& path);

// Reads any picture Magick++ can read (BMP, JPEG, PNG) as 8-bit RGB.
[[nodiscard]] RgbPicture loadPicture(const std::string& path);

// Reads an uncompressed 24-bit TGA file by the format's own rules (header, bottom-up
// rows of blue, green, red); fails the test on anything else.
[[nodiscard]] RgbPicture loadTga(const std::string& path);

[[nodiscard]] std::size_t distinctColours(const RgbPicture& picture);

// Peak signal-to-noise ratio over all channels, in dB, of two pictures of one size.
[[nodiscard]] double psnr(const RgbPicture& a, const RgbPicture& b);

}  // namespace velmora::testing
