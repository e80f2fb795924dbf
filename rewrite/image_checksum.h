// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>

#include "firmware/byte_image.h"

namespace velmora {

// An update image is a firmware whose file name ends in ".img" (any letter case).
[[nodiscard]] bool isUpdateImage(const std::string& firmwarePath);

// Makes the update image's checksum valid again: the last byte (odd size) or
// each of the last two bytes (even size) gets the 8-bit sum of all bytes before
// them. Returns the sum.
std::uint8_t writeImageChecksum(ByteImage& image);

}  // namespace velmora
