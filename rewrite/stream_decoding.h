#pragma once

#include <cstdint>
#include <span>

namespace velmora {

struct DecodedPictures {
    int count = 0;  // pictures the decoder handed out
    int width = 0;  // of the first one
    int height = 0;
};

// Decodes a whole MPEG-2 (kind 2) or MPEG-4 elementary stream with libavcodec
// and counts the pictures it holds.
[[nodiscard]] DecodedPictures decodeStream(std::span<const std::uint8_t> stream, int kind);

}  // namespace velmora
