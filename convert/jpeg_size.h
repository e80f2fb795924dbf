// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>

namespace velmora {

struct JpegSize {
    int width = 0;
    int height = 0;
};

// Walks the JPEG marker segments up to the first baseline frame header (SOF0)
// and returns its size; nullopt for anything else. Never reads past the file.
// Throws IoError when the file cannot be opened or read.
[[nodiscard]] std::optional<JpegSize> ReadJpegSize(const std::string& path);

}  // namespace velmora
