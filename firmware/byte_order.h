// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace velmora {

// A dump is stored byte-swapped when its first little-endian word is FAA1
// (bytes A1 FA) or 00BE (bytes BE 00); nothing else is looked at.
[[nodiscard]] constexpr bool isByteSwappedFirstWord(std::uint16_t firstWord) {
    return firstWord == 0xFAA1 || firstWord == 0x00BE;
}

[[nodiscard]] constexpr std::uint16_t swapBytes(std::uint16_t w) {
    return static_cast<std::uint16_t>((w << 8) | (w >> 8));
}

// Exchanges the two bytes of every 16-bit word counted from offset 0. The
// length must be even.
[[nodiscard]] std::vector<std::uint8_t> swapWordBytes(std::span<const std::uint8_t> bytes);

// The same in place; a last odd byte stays as it is.
void swapWordBytesInPlace(std::span<std::uint8_t> bytes);

}  // namespace velmora
