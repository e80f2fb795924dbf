// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

#include "catalogue/picture_table.h"
#include "firmware/anchors.h"
#include "firmware/byte_image.h"
#include "person/dialogs.h"

namespace velmora {

// Walks the byte-normalised image for MPEG-2 streams and MPEG-4 chunks, logs
// each picture and moves the progress bar; an MPEG-4 picture's records are
// looked for up to freeSpaceAddr. Reads outside the image never abort the scan.
[[nodiscard]] PictureList scanPictures(const ByteImage& image, const Anchors& anchors,
                                       std::uint32_t freeSpaceAddr, Dialogs& ui);

}  // namespace velmora
