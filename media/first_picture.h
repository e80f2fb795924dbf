// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "media/stream_decoder.h"

namespace velmora {

// A decoded picture: rows top to bottom, each pixel blue, green, red.
struct BgrPicture {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;  // width * height * 3 bytes
    // The shape of a pixel the stream gives (MPEG-2 aspect ratio code, MPEG-4
    // pixel aspect); 0:0 when it says none.
    int aspectNum = 0;
    int aspectDen = 0;
};

// The first picture of a video elementary stream, or why there is none.
struct FirstPicture {
    std::optional<BgrPicture> picture;
    std::string failure;  // set when picture is empty
};

// Decodes the first picture of a video elementary stream (MPEG-1/MPEG-2, or
// MPEG-4 Part 2) with libavcodec.
[[nodiscard]] FirstPicture decodeFirstPicture(std::span<const std::uint8_t> stream,
                                              VideoCodec codec);

}  // namespace velmora
