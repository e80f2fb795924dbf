// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

namespace velmora::tools {

// The largest quantizer the MPEG-4 syntax can carry; larger requests are encoded at it.
inline constexpr int kMaxQuantizer = 31;

// What one xvid_encraw run is asked to do.
struct EncoderOptions {
    std::string input;
    std::string output;
    int quantizer = 0;           // -cq, 1 to kMaxQuantizer
    int width = 0;               // -w
    int height = 0;              // -h
    double frameRate = 25;       // -framerate
    bool mpegQuantizer = false;  // -qtype 1 (0 is H.263 quantisation)
    bool lumiMasking = false;    // -lumimasking
};

// Reads "-i FILE -type 0 -single -cq Q -w W -h H -framerate R -frames 1 -lumimasking
// -qtype 0 -o OUT" in any order. -i, -cq, -w, -h and -o are required. Throws UsageError.
[[nodiscard]] EncoderOptions parseEncoderOptions(const std::vector<std::string>& args);

// Frame duration as Xvid wants it: fincr / fbase seconds (25 -> 1/25, 29.97 -> 1001/30000).
struct FrameTiming {
    int increment = 1;
    int base = 25;
};
[[nodiscard]] FrameTiming frameTimingFor(double frameRate);

}  // namespace velmora::tools
