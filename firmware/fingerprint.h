#pragma once

#include <cstdint>
#include <span>

namespace velmora {

// A 64-bit FNV-1a digest: tells whether a file changed between the analysis
// and a replacement.
[[nodiscard]] std::uint64_t fingerprint(std::span<const std::uint8_t> bytes);

}  // namespace velmora
