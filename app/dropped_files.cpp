// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/dropped_files.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string_view>

namespace velmora {

DroppedFile droppedFileKind(const std::string& path) {
    const std::size_t dot = path.find_last_of("./");
    if (dot == std::string::npos || path[dot] != '.') return DroppedFile::Other;
    std::string extension = path.substr(dot);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    constexpr std::array<std::string_view, 3> firmware = {".bin", ".rom", ".img"};
    constexpr std::array<std::string_view, 6> sources = {".jpg", ".jpeg", ".m2v",
                                                         ".m4v", ".mpg",  ".mpeg"};
    if (std::find(firmware.begin(), firmware.end(), extension) != firmware.end())
        return DroppedFile::Firmware;
    if (std::find(sources.begin(), sources.end(), extension) != sources.end())
        return DroppedFile::ReplacementSource;
    return DroppedFile::Other;
}

}  // namespace velmora
