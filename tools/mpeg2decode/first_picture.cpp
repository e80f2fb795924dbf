// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/mpeg2decode/first_picture.h"

#include "tools/common/tool_main.h"

namespace velmora::tools {

BgrPicture decodeFirstPicture(std::span<const std::uint8_t> stream, VideoCodec codec) {
    FirstPicture decoded = velmora::decodeFirstPicture(stream, codec);
    if (!decoded.picture) throw ToolError(decoded.failure);
    return std::move(*decoded.picture);
}

}  // namespace velmora::tools
