#include "firmware/fingerprint.h"

namespace velmora {

std::uint64_t fingerprint(std::span<const std::uint8_t> bytes) {
    std::uint64_t h = 0xcbf29ce484222325ULL;
    for (std::uint8_t b : bytes) {
        h ^= b;
        h *= 0x100000001b3ULL;
    }
    return h;
}

}  // namespace velmora
