// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/mpeg2decode/tga_file.h"

#include <string>

#include "tools/common/tool_main.h"

namespace velmora::tools {
namespace {

constexpr std::size_t kHeaderSize = 18;
constexpr std::uint8_t kTrueColour = 2;
constexpr std::uint8_t kBitsPerPixel = 24;
constexpr int kMaxDimension = 0xFFFF;

void putLittleEndian16(std::vector<std::uint8_t>& out, std::size_t at, int value) {
    out[at] = static_cast<std::uint8_t>(value & 0xFF);
    out[at + 1] = static_cast<std::uint8_t>((value >> 8) & 0xFF);
}

}  // namespace

std::vector<std::uint8_t> tgaFileOf(const BgrPicture& picture) {
    if (picture.width < 1 || picture.height < 1 || picture.width > kMaxDimension ||
        picture.height > kMaxDimension) {
        throw ToolError("a TGA file cannot hold a picture of " + std::to_string(picture.width) +
                        " x " + std::to_string(picture.height));
    }
    const auto rowBytes = static_cast<std::size_t>(picture.width) * 3;
    const auto rows = static_cast<std::size_t>(picture.height);
    if (picture.pixels.size() != rowBytes * rows) {
        throw ToolError("the picture's pixel data does not match its size");
    }
    std::vector<std::uint8_t> out(kHeaderSize, 0);
    out[2] = kTrueColour;
    putLittleEndian16(out, 12, picture.width);
    putLittleEndian16(out, 14, picture.height);
    out[16] = kBitsPerPixel;
    out[17] = 0;  // rows bottom to top, left to right, no alpha bits
    out.reserve(kHeaderSize + rowBytes * rows);
    for (std::size_t row = rows; row-- > 0;) {
        const auto first = picture.pixels.begin() + static_cast<std::ptrdiff_t>(row * rowBytes);
        out.insert(out.end(), first, first + static_cast<std::ptrdiff_t>(rowBytes));
    }
    return out;
}

}  // namespace velmora::tools
