// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace velmora {

enum class DroppedFile { Firmware, ReplacementSource, Other };

// What a file dropped on the window is taken for, by its extension (any
// letter case): .bin, .rom, .img a firmware; .jpg, .jpeg, .m2v, .m4v, .mpg,
// .mpeg a replacement source.
[[nodiscard]] DroppedFile droppedFileKind(const std::string& path);

}  // namespace velmora
