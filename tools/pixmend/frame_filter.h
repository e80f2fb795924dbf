// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace velmora::tools {

// Turns what a YUV4MPEG2 writer puts out into bare planar frames laid end to end:
// drops a "YUV4MPEG2 ..." stream header line if there is one and the "FRAME..." line
// in front of every frame. Input that starts with neither is taken as bare frames
// already and passed on unchanged. Throws ToolError on input that is empty or breaks
// off in the middle of a header line or frame.
[[nodiscard]] std::vector<std::uint8_t> stripFrameLines(std::span<const std::uint8_t> input);

}  // namespace velmora::tools
