// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/tools/test_pictures.h"

#include <Magick++.h>
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <stdexcept>
#include <tuple>

#include "tests/support/temp_dir.h"

namespace velmora::testing {
namespace {

[[nodiscard]] std::uint8_t channel(double value) {
    return static_cast<std::uint8_t>(std::lround(std::clamp(value, 0.0, 255.0)));
}

void initialiseMagick() {
    static const bool done = [] {
        Magick::InitializeMagick(nullptr);
        return true;
    }();
    (void)done;
}

}  // namespace

RgbPicture colourfulPicture(int width, int height) {
    RgbPicture picture{width, height, {}};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const double u = static_cast<double>(x) / width;
            const double v = static_cast<double>(y) / height;
            picture.pixels.push_back(
                {channel(255 * u), channel(255 * v), channel(128 + 100 * std::sin(6.0 * (u + v)))});
        }
    }
    return picture;
}

RgbPicture markedPicture(int width, int height, int x, int y) {
    RgbPicture picture{width, height,
                       std::vector<Rgb>(static_cast<std::size_t>(width * height), {255, 255, 255})};
    picture.pixels[static_cast<std::size_t>(y * width + x)] = {255, 0, 0};
    return picture;
}

void savePicture(const RgbPicture& picture, const std::string& path) {
    initialiseMagick();
    std::vector<std::uint8_t> bytes;
    for (const Rgb& p : picture.pixels) {
        bytes.insert(bytes.end(), {p.r, p.g, p.b});
    }
    Magick::Image image(static_cast<std::size_t>(picture.width),
                        static_cast<std::size_t>(picture.height), "RGB", Magick::CharPixel,
                        bytes.data());
    image.quality(95);
    image.write(path);
}

RgbPicture loadPicture(const std::string& path) {
    initialiseMagick();
    Magick::Image image;
    image.read(path);
    image.colorSpace(Magick::sRGBColorspace);
    RgbPicture picture{static_cast<int>(image.columns()), static_cast<int>(image.rows()), {}};
    std::vector<std::uint8_t> bytes(image.columns() * image.rows() * 3);
    image.write(0, 0, image.columns(), image.rows(), "RGB", Magick::CharPixel, bytes.data());
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        picture.pixels.push_back({bytes[i], bytes[i + 1], bytes[i + 2]});
    }
    return picture;
}

RgbPicture loadTga(const std::string& path) {
    const std::vector<std::uint8_t> file = readFile(path);
    if (file.size() < 18) throw std::runtime_error(path + " is shorter than a TGA header");
    if (file[0] != 0 || file[1] != 0 || file[2] != 2 || file[16] != 24 || file[17] != 0) {
        throw std::runtime_error(path + " is no bottom-up uncompressed 24-bit TGA");
    }
    const int width = file[12] | (file[13] << 8);
    const int height = file[14] | (file[15] << 8);
    const auto expected = 18 + static_cast<std::size_t>(width * height) * 3;
    if (file.size() != expected) throw std::runtime_error(path + " has the wrong length");
    RgbPicture picture{width, height, std::vector<Rgb>(static_cast<std::size_t>(width * height))};
    for (int stored = 0; stored < height; ++stored) {
        const int y = height - 1 - stored;
        for (int x = 0; x < width; ++x) {
            const std::size_t at = 18 + static_cast<std::size_t>(stored * width + x) * 3;
            picture.pixels[static_cast<std::size_t>(y * width + x)] = {file[at + 2], file[at + 1],
                                                                       file[at]};
        }
    }
    return picture;
}

std::size_t distinctColours(const RgbPicture& picture) {
    std::set<std::tuple<int, int, int>> colours;
    for (const Rgb& p : picture.pixels) colours.insert({p.r, p.g, p.b});
    return colours.size();
}

double psnr(const RgbPicture& a, const RgbPicture& b) {
    if (a.width != b.width || a.height != b.height) throw std::runtime_error("sizes differ");
    double sum = 0;
    for (std::size_t i = 0; i < a.pixels.size(); ++i) {
        for (const auto& [p, q] :
             {std::pair{a.pixels[i].r, b.pixels[i].r}, std::pair{a.pixels[i].g, b.pixels[i].g},
              std::pair{a.pixels[i].b, b.pixels[i].b}}) {
            const double d = static_cast<double>(p) - static_cast<double>(q);
            sum += d * d;
        }
    }
    const double mse = sum / static_cast<double>(a.pixels.size() * 3);
    return mse == 0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 / mse);
}

}  // namespace velmora::testing
