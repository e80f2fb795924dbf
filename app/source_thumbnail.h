// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QString>
#include <string>

namespace velmora {

// A small picture of the replacement source: the JPEG itself, or the first
// frame of an MPEG-2 or MPEG-4 stream; a null image when it cannot be read.
[[nodiscard]] QImage sourceThumbnail(const std::string& path);

// The image-name panel's tooltip: the thumbnail above the file name.
[[nodiscard]] QString thumbnailToolTip(const QImage& thumbnail, const QString& name);

inline constexpr int kThumbnailWidth = 160;
inline constexpr int kThumbnailHeight = 120;

}  // namespace velmora
