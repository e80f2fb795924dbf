// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <span>

#include "media/first_picture.h"

namespace velmora::tools {

using velmora::BgrPicture;
using velmora::VideoCodec;

// Decodes the first picture of a video elementary stream (MPEG-1/MPEG-2, or MPEG-4
// Part 2) with libavcodec. Throws ToolError when the stream yields no picture.
[[nodiscard]] BgrPicture decodeFirstPicture(std::span<const std::uint8_t> stream,
                                            VideoCodec codec = VideoCodec::Mpeg2);

}  // namespace velmora::tools
