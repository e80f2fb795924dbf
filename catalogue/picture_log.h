// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

#include "catalogue/picture_table.h"

namespace velmora {

// The log lines that announce picture number n (1-based).
[[nodiscard]] std::vector<std::string> mpeg2PictureLines(const PictureEntry& e, int n);
[[nodiscard]] std::vector<std::string> mpeg4PictureLines(const PictureEntry& e, int n);
// The spare-room line of an MPEG-2 picture.
[[nodiscard]] std::string spareLine(std::int32_t spare);

}  // namespace velmora
