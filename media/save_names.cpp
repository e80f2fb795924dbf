// SPDX-License-Identifier: GPL-3.0-or-later
#include "media/save_names.h"

namespace velmora {

std::string proposedSaveName(const std::string& firmwareName, int number,
                             const std::string& extension) {
    const auto dot = firmwareName.find('.');
    const std::string base = dot == std::string::npos ? std::string() : firmwareName.substr(0, dot);
    return base + "_" + std::to_string(number) + extension;
}

std::string withExtension(const std::string& name, const std::string& extension) {
    const auto lower = [](char c) {
        return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    };
    if (name.size() > extension.size()) {
        const std::string tail = name.substr(name.size() - extension.size());
        bool same = true;
        for (std::size_t i = 0; i < tail.size(); ++i)
            same = same && lower(tail[i]) == lower(extension[i]);
        if (same) return name;
    }
    return name + extension;
}

}  // namespace velmora
