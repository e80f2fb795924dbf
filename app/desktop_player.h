// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace velmora {

// Whether the desktop names an application that opens files like this one
// (by its media type, as xdg-open would choose).
[[nodiscard]] bool desktopHasPlayerFor(const QString& path);

inline constexpr const char* kNoPlayerCaption = "Error!";
inline constexpr const char* kNoPlayerText =
    "No player for MPEG-4 video is registered on this desktop.";

}  // namespace velmora
