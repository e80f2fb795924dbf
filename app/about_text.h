// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace velmora {

inline constexpr const char* kAboutCaption = "About";

// The About box text: lines separated by a carriage return alone, an empty
// line before the second.
[[nodiscard]] std::string aboutText(const std::string& version);

}  // namespace velmora
