// SPDX-License-Identifier: GPL-3.0-or-later
#include "person/hex_text.h"

#include <cstdio>

namespace velmora {

std::string Hex2(std::uint8_t b) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    return {kDigits[b >> 4], kDigits[b & 0x0F]};
}

std::string Hex4(std::uint32_t v) {
    return Hex2(static_cast<std::uint8_t>(v >> 8)) + Hex2(static_cast<std::uint8_t>(v));
}

std::string Hex8(std::uint32_t v) {
    return Hex4(v >> 16) + Hex4(v);
}

std::string fixed2(double x, int width) {
    char text[64];
    std::snprintf(text, sizeof text, "%*.2f", width, x);
    return text;
}

std::string padded(long long n, int width) {
    char text[32];
    std::snprintf(text, sizeof text, "%*lld", width, n);
    return text;
}

}  // namespace velmora
