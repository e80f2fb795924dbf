// SPDX-License-Identifier: GPL-3.0-or-later
#include "media/save_names.h"

namespace velmora {

std::string proposedSaveName(const std::string& firmwareName, int number,
                             const std::string& extension) {
    const auto dot = firmwareName.find('.');
    const std::string base = dot == std::string::npos ? std::string() : firmwareName.substr(0, dot);
    return base + "_" + std::to_string(number) + extension;
}

}  // namespace velmora
