// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>

#include "catalogue/session.h"
#include "convert/conversion_input.h"
#include "person/dialogs.h"
#include "person/outcome.h"

namespace velmora {

// A stream ready for the writer: the file and the offset of its first byte
// to be written.
struct ConvertedStream {
    std::string path;
    std::int64_t offset = 0;
};

// Converts the accepted JPEG source into a one-frame stream of entry's kind,
// size and frame rate that fits roomSize bytes, by bisection on the encoder
// setting. Refused when no stream could be made.
[[nodiscard]] Result<ConvertedStream> convertJpegToStream(const ConversionInput& input, Dialogs& ui,
                                                          const PictureEntry& entry,
                                                          std::int32_t roomSize);

}  // namespace velmora
