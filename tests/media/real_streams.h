// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace velmora::testing {

// Runs a shell command; true when it exited 0.
bool runShell(const std::string& command);

struct DecodedSize {
    int width = 0;
    int height = 0;
    bool frameDecoded = false;
};

// What libavcodec (through ffprobe and ffmpeg) makes of a stream file.
[[nodiscard]] DecodedSize decodeWithFfmpeg(const std::string& path);

// The first picture of a stream file decoded by FFmpeg: rows top to bottom,
// blue, green, red; empty when it cannot be decoded.
[[nodiscard]] std::vector<std::uint8_t> decodeToBgr(const std::string& path);

// The mean of the absolute differences of two equally long byte runs.
[[nodiscard]] double meanAbsoluteDifference(const std::vector<std::uint8_t>& a,
                                            const std::vector<std::uint8_t>& b);

}  // namespace velmora::testing
