// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "catalogue/picture_table.h"
#include "firmware/byte_image.h"

namespace velmora {

// What every saved MPEG-4 stream starts with: visual object sequence start
// code, profile Advanced Simple level 5, visual object start code and a video
// object header without identifier.
inline constexpr std::array<std::uint8_t, 10> kMpeg4StreamHeader = {0x00, 0x00, 0x01, 0xB0, 0xF5,
                                                                    0x00, 0x00, 0x01, 0xB5, 0x09};

// The picture's MPEG-2 stream, Start .. End - 1 of the byte-normalised image
// without the gap headers, read from the firmware as stored. For a byte-swapped
// store image byte a is stored byte a XOR 1, whatever the alignment of the
// blocks. Throws IoError when a byte lies outside the stored file.
[[nodiscard]] std::vector<std::uint8_t> ExtractMpeg2Stream(const ByteImage& stored,
                                                           const PictureEntry& entry,
                                                           bool byteSwapped);

// The fixed stream header followed by the chunk data Start + 8 .. End - 1 in
// true stream order: the pairs counted from Start + 8 are exchanged for a
// "00cd" chunk. Throws IoError when a byte lies outside the stored file.
[[nodiscard]] std::vector<std::uint8_t> ExtractMpeg4Stream(const ByteImage& stored,
                                                           const PictureEntry& entry,
                                                           bool byteSwapped);

// The stream of either kind (Kind 2 is MPEG-2, anything else MPEG-4).
[[nodiscard]] std::vector<std::uint8_t> extractPictureStream(const ByteImage& stored,
                                                             const PictureEntry& entry,
                                                             bool byteSwapped);

// Creates or replaces path with the stream. Throws IoError.
void writeExtractedStream(const std::string& path, std::span<const std::uint8_t> stream);

}  // namespace velmora
