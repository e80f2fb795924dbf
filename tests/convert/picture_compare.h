// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace velmora::testing {

// A picture as rows of red, green, blue bytes.
struct RgbPicture {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;
};

enum class VideoCodec { Mpeg2, Mpeg4 };

// The first picture of an elementary stream, decoded with libavcodec;
// nullopt when the stream holds none.
[[nodiscard]] std::optional<RgbPicture> decodeFirstPicture(const std::vector<std::uint8_t>& stream,
                                                           VideoCodec codec);

// A binary PPM (P6, maxval 255) as written by ImageMagick.
[[nodiscard]] std::optional<RgbPicture> readPpm(const std::string& path);

// Peak signal-to-noise ratio over all samples in dB; both pictures must have one size.
[[nodiscard]] double psnr(const RgbPicture& a, const RgbPicture& b);

}  // namespace velmora::testing
