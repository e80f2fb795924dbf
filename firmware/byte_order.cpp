// SPDX-License-Identifier: GPL-3.0-or-later
#include "firmware/byte_order.h"

#include <cassert>
#include <cstring>
#include <utility>

namespace velmora {

std::vector<std::uint8_t> swapWordBytes(std::span<const std::uint8_t> bytes) {
    assert(bytes.size() % 2 == 0);
    std::vector<std::uint8_t> out(bytes.size());
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        out[i] = bytes[i + 1];
        out[i + 1] = bytes[i];
    }
    return out;
}

void swapWordBytesInPlace(std::span<std::uint8_t> bytes) {
    std::size_t i = 0;
    for (; i + 8 <= bytes.size(); i += 8) {  // four words at a time
        std::uint64_t w;
        std::memcpy(&w, bytes.data() + i, 8);
        w = ((w & 0x00FF00FF00FF00FFULL) << 8) | ((w >> 8) & 0x00FF00FF00FF00FFULL);
        std::memcpy(bytes.data() + i, &w, 8);
    }
    for (; i + 1 < bytes.size(); i += 2) std::swap(bytes[i], bytes[i + 1]);
}

}  // namespace velmora
