// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/rewrite/stored_stream.h"

#include <algorithm>

namespace velmora::testing {

std::vector<std::uint8_t> storedStream(const std::vector<std::uint8_t>& image,
                                       const PictureEntry& e) {
    std::vector<std::uint8_t> out;
    if (e.isMpeg2()) {
        const std::uint32_t block =
            e.GapLength > 0 ? static_cast<std::uint32_t>(e.BlockLength) : e.End - e.Start;
        for (std::uint32_t p = e.Start; p < e.End;
             p += block + static_cast<std::uint32_t>(e.GapLength))
            out.insert(out.end(), image.begin() + p, image.begin() + std::min(p + block, e.End));
        return out;
    }
    const auto byte = [&](std::uint32_t i) { return std::uint32_t{image.at(e.Start + 4 + i)}; };
    const std::uint32_t length = e.WordSwapped
                                     ? (byte(1) | byte(0) << 8 | byte(3) << 16 | byte(2) << 24)
                                     : (byte(0) | byte(1) << 8 | byte(2) << 16 | byte(3) << 24);
    for (std::uint32_t i = 0; i < length; ++i)
        out.push_back(image.at(e.Start + 8 + (e.WordSwapped ? (i ^ 1) : i)));
    return out;
}

}  // namespace velmora::testing
