// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "firmware/byte_image.h"

namespace velmora {

// A loaded TGA picture: the 18 header bytes as the file holds them, then the
// pixels, bottom row first, every row left to right, blue-green-red (and a
// fourth byte for 32 bits). Pixels is empty when nothing could be delivered.
struct TargaImage {
    std::uint8_t IDLength = 0;
    std::uint8_t ColorMapType = 0;
    std::uint8_t ImageType = 0;
    std::uint16_t ColorMapStart = 0;
    std::uint16_t ColorMapLength = 0;
    std::uint8_t ColorMapEntrySize = 0;
    std::uint16_t XOrigin = 0;
    std::uint16_t YOrigin = 0;
    std::uint16_t Width = 0;
    std::uint16_t Height = 0;
    std::uint8_t PixelDepth = 0;  // 24 or 32 once pixels are delivered
    std::uint8_t ImageDescriptor = 0;
    std::vector<std::uint8_t> Pixels;

    [[nodiscard]] int bytesPerPixel() const { return PixelDepth / 8; }
};

inline constexpr std::int64_t kTargaHeaderSize = 18;
// Larger pictures are refused rather than allocated: no MPEG-2 sequence header
// can announce more than 4095 x 4095.
inline constexpr std::int64_t kMaxTargaPixels = 4096LL * 4096LL;

// Loads a TGA file. True only when pixels were delivered; false (no error) when
// the file cannot be opened, its kind is not supported, a colour index lies
// outside the colour map or the picture is empty or absurdly large. A file that
// ends before the data its header announces throws IoError naming the file and
// offset.
[[nodiscard]] bool LoadTarga(const std::string& path, TargaImage& image);

// The same from a file already in memory.
[[nodiscard]] bool decodeTarga(const ByteImage& file, TargaImage& image);

// Turns one stored pixel value into the delivered bytes; false refuses it (a
// colour index outside the map).
using TargaPixelConverter =
    std::function<bool(std::span<const std::uint8_t> value, std::uint8_t* out)>;

// Decodes run-length packets from file at offset until pixels holds
// pixels.size() / outBytes pixels; packets run on across rows, and data
// beyond the last pixel is not read. Returns false when the converter refused a
// value. Throws IoError when the file ends early.
[[nodiscard]] bool DecodeTargaRle(const ByteImage& file, std::int64_t offset,
                                  std::span<std::uint8_t> pixels, int valueBytes, int outBytes,
                                  const TargaPixelConverter& convert);

}  // namespace velmora
