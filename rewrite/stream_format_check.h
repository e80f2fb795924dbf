// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "catalogue/picture_table.h"
#include "firmware/byte_image.h"
#include "person/dialogs.h"
#include "person/outcome.h"

namespace velmora {

// The question asked when a ready-made stream differs from the picture it
// replaces: each difference, one a line, then what that may mean.
[[nodiscard]] std::string differentFormatQuestion(std::span<const std::uint8_t> streamFile,
                                                  std::span<const std::uint8_t> pictureStream,
                                                  int kind, int number);

// Compares a ready-made stream file with the picture it replaces, as stored in
// the byte-normalised image, and asks "Different picture format" when they
// differ; only Yes goes on. A matching stream asks nothing.
[[nodiscard]] Outcome checkStreamFormat(Dialogs& ui, const ByteImage& image,
                                        const PictureEntry& entry, int number,
                                        std::span<const std::uint8_t> streamFile);

}  // namespace velmora
