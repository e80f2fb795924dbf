// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "tools/xvid_encraw/encoder_options.h"

namespace velmora::tools {

// Bytes of one planar 4:2:0 frame: the luma plane and two chroma planes of half the
// width and height, rounded up.
[[nodiscard]] std::size_t yuv420FrameSize(int width, int height);

// Encodes the first frame of `yuv` (planar 4:2:0, width x height) as one intra VOP at
// the fixed quantizer, and returns Xvid's whole output: its sequence headers, the video
// object layer and the VOP. Throws ToolError when the input is short or Xvid fails.
[[nodiscard]] std::vector<std::uint8_t> encodeIntraFrame(std::span<const std::uint8_t> yuv,
                                                         const EncoderOptions& options);

}  // namespace velmora::tools
