// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <vector>

#include "catalogue/session.h"
#include "catalogue/work_control.h"
#include "convert/conversion_input.h"
#include "convert/jpeg_conversion.h"
#include "convert/picture_encode.h"
#include "person/dialogs.h"
#include "person/outcome.h"

namespace velmora {

// The most bytes the new stream may have: the room, and for MPEG-2 no more
// than the buffer the old picture declares (a player reads no more).
[[nodiscard]] std::int64_t streamLimit(const OldStreamParameters& old, std::int32_t roomSize);

// Searches the encoder's quality for the best picture not longer than limit,
// one log line per try. Cancelled when the person asks, within one poll of
// the running encode. kept: the setting of the stream returned.
[[nodiscard]] Result<std::vector<std::uint8_t>> encodeToFit(const OldStreamParameters& old,
                                                            const PreparedPhoto& photo,
                                                            std::int64_t limit, Dialogs& ui,
                                                            const WorkControl& control,
                                                            EncoderSetting* kept = nullptr);

// The built-in encoder: the accepted photo prepared and encoded in memory as
// one picture with the stream parameters of the selected picture, as big as
// the room allows. The stream goes to the usual result file, from offset 0.
[[nodiscard]] Result<ConvertedStream> convertJpegBuiltin(const ConversionInput& input, Dialogs& ui,
                                                         const PictureEntry& entry,
                                                         std::int32_t roomSize);

// The old picture's stream parameters, read from the firmware as stored.
[[nodiscard]] std::optional<OldStreamParameters> oldPictureParameters(
    const OpenedFirmware& firmware, const PictureEntry& entry);

}  // namespace velmora
