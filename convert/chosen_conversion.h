// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

#include "catalogue/session.h"
#include "convert/conversion_input.h"
#include "convert/jpeg_conversion.h"
#include "person/dialogs.h"
#include "person/outcome.h"

namespace velmora {

// The encoder the options choose. The tool chain runs exactly as it always
// did when the photo is stretched; to crop or border it, the chain starts from
// a fitted copy of the photo (a JPEG of quality 100 in TempDir).
[[nodiscard]] Result<ConvertedStream> convertJpegChosen(const ConversionInput& input, Dialogs& ui,
                                                        const PictureEntry& entry,
                                                        std::int32_t roomSize);

inline constexpr const char* kFittedSource = "$jpg_fit.jpg";

}  // namespace velmora
