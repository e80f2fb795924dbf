#include "firmware/fingerprint.h"

#include <cstring>

namespace velmora {

// FNV-1a over 8-byte words (then the tail bytes): fast on large images, and
// any changed byte changes the digest with overwhelming likelihood.
std::uint64_t fingerprint(std::span<const std::uint8_t> bytes) {
    constexpr std::uint64_t kPrime = 0x100000001b3ULL;
    std::uint64_t h = 0xcbf29ce484222325ULL ^ bytes.size();
    std::size_t i = 0;
    for (; i + 8 <= bytes.size(); i += 8) {
        std::uint64_t word;
        std::memcpy(&word, bytes.data() + i, 8);
        h = (h ^ word) * kPrime;
        h ^= h >> 29;
    }
    for (; i < bytes.size(); ++i) h = (h ^ bytes[i]) * kPrime;
    return h;
}

}  // namespace velmora
