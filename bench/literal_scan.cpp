// SPDX-License-Identifier: GPL-3.0-or-later
#include "bench/literal_scan.h"

#include <cstdio>
#include <stdexcept>

namespace velmora::bench {

LiteralScanResult literalScan(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) throw std::runtime_error("cannot open " + path);
    std::fseek(file, 0, SEEK_END);
    const long size = std::ftell(file);
    LiteralScanResult result;
    for (long q = 0; q < size - 4; ++q) {
        unsigned char b[4];
        if (std::fseek(file, q, SEEK_SET) != 0 || std::fread(b, 1, 4, file) != 4) {
            std::fclose(file);
            throw std::runtime_error("read failed in " + path);
        }
        const std::uint32_t w = static_cast<std::uint32_t>(b[0]) | (std::uint32_t{b[1]} << 8) |
                                (std::uint32_t{b[2]} << 16) | (std::uint32_t{b[3]} << 24);
        ++result.offsets;
        if (w == 0xB3010000U)
            ++result.candidates;
        else if (w == 0x64633030U || w == 0x63643030U)
            ++result.candidates;
    }
    std::fclose(file);
    return result;
}

}  // namespace velmora::bench
