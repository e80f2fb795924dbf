// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>

#include "firmware/byte_image.h"
#include "firmware/flash_records.h"

namespace velmora {

// Makes the update image's checksum valid again: the last byte (odd size) or
// each of the last two bytes (even size) gets the 8-bit sum of all bytes before
// them. Returns the sum.
std::uint8_t writeImageChecksum(ByteImage& image);

}  // namespace velmora
