// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <vector>

#include "firmware/byte_image.h"

namespace velmora {

// The firmware in its stored byte order: every 16-bit word of the
// byte-normalised working copy with its two bytes exchanged. Throws IoError for
// a working copy of odd size (its last word cannot be read).
[[nodiscard]] std::vector<std::uint8_t> restoreStoredOrder(const ByteImage& working);

}  // namespace velmora
