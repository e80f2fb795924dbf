// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>

namespace velmora {

// Upper-case hexadecimal, fixed width, no prefix.
[[nodiscard]] std::string Hex2(std::uint8_t b);
[[nodiscard]] std::string Hex4(std::uint32_t v);  // low 16 bits only
[[nodiscard]] std::string Hex8(std::uint32_t v);

// x with two decimals, right-aligned in at least width characters, exactly as
// printf("%*.2f") writes it.
[[nodiscard]] std::string fixed2(double x, int width);

// A signed decimal right-aligned in at least width characters.
[[nodiscard]] std::string padded(long long n, int width);

}  // namespace velmora
