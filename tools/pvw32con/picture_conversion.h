// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "tools/pvw32con/converter_options.h"

namespace velmora::tools {

// The file to write for `options` made from the picture file `source` (any format
// ImageMagick reads): for -w a 24-bit BMP with the colour and orientation options
// applied, for -j a baseline JPEG resized to exactly width x height. Throws ToolError
// when the source is no readable picture or the conversion fails.
[[nodiscard]] std::vector<std::uint8_t> convertPicture(std::span<const std::uint8_t> source,
                                                       const ConverterOptions& options);

}  // namespace velmora::tools
