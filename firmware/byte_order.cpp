#include "firmware/byte_order.h"

#include <cassert>
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
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) std::swap(bytes[i], bytes[i + 1]);
}

}  // namespace velmora
