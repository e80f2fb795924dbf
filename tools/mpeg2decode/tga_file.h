#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace velmora::tools {

// A decoded picture: rows top to bottom, each pixel blue, green, red.
struct BgrPicture {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;  // width * height * 3 bytes
};

// An uncompressed 24-bit true-colour TGA file (image type 2, 18-byte header, no image
// ID, no colour map, rows bottom to top). Throws ToolError for a size TGA cannot hold.
[[nodiscard]] std::vector<std::uint8_t> tgaFileOf(const BgrPicture& picture);

}  // namespace velmora::tools
