// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace velmora {

inline constexpr const char* kMpeg2VideoFilter = "MPEG2 Video (*.m2v)|*.m2v";
inline constexpr const char* kMpeg4VideoFilter = "MPEG4 Video (*.m4v)|*.m4v";
inline constexpr const char* kTargaFilter = "Targa Graph Image file (.tga)|*.tga";
inline constexpr const char* kPngFilter = "PNG picture (*.png)|*.png";

// name, with extension (".tga") appended unless it ends in it already (any letter case).
[[nodiscard]] std::string withExtension(const std::string& name, const std::string& extension);

// The name proposed in the save dialogs: the firmware's name up to its first
// "." (empty without one), "_", the picture's number and the extension.
[[nodiscard]] std::string proposedSaveName(const std::string& firmwareName, int number,
                                           const std::string& extension);

}  // namespace velmora
