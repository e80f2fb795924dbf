#include "firmware/fingerprint.h"

#include <cstring>

namespace velmora {

// FNV-1a style mixing over 8-byte words in four independent lanes (so the
// multiplications overlap), then the tail bytes: fast on large images, and any
// changed byte changes the digest with overwhelming likelihood.
std::uint64_t fingerprint(std::span<const std::uint8_t> bytes) {
    constexpr std::uint64_t kPrime = 0x100000001b3ULL;
    std::uint64_t lanes[4] = {0xcbf29ce484222325ULL, 0x84222325cbf29ce4ULL, 0x9e3779b97f4a7c15ULL,
                              0xbf58476d1ce4e5b9ULL};
    std::size_t i = 0;
    for (; i + 32 <= bytes.size(); i += 32) {
        for (int lane = 0; lane < 4; ++lane) {
            std::uint64_t word;
            std::memcpy(&word, bytes.data() + i + 8 * static_cast<std::size_t>(lane), 8);
            lanes[lane] = (lanes[lane] ^ word) * kPrime;
            lanes[lane] ^= lanes[lane] >> 29;
        }
    }
    std::uint64_t h = bytes.size();
    for (std::uint64_t lane : lanes) h = (h ^ lane) * kPrime;
    for (; i < bytes.size(); ++i) h = (h ^ bytes[i]) * kPrime;
    return h;
}

}  // namespace velmora
