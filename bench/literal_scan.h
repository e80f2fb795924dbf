// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>

namespace velmora::bench {

struct LiteralScanResult {
    std::int64_t offsets = 0;     // positions examined
    std::int64_t candidates = 0;  // start codes and chunk tags met
};

// The picture scan's main loop exactly as described for the original
// program, kept only as a yardstick: through a FILE*, a seek and a 4-byte
// read at every byte offset, and the two start-code compares. Nothing is
// done with a candidate.
[[nodiscard]] LiteralScanResult literalScan(const std::string& path);

}  // namespace velmora::bench
