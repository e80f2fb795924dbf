#pragma once

#include <functional>
#include <optional>

#include "catalogue/session.h"
#include "convert/converted_stream.h"
#include "firmware/dialogs.h"

namespace velmora {

using JpegConverter = std::function<std::optional<ConvertedStream>(
    Session&, Dialogs&, const PictureEntry&, std::int32_t roomSize)>;

// "Replace Image": puts the accepted source (SessionSourcePath) in the place of
// the selected picture, rewrites the records that point at it, the checksum of
// an update image and the stored byte order, and commits the firmware only when
// every step succeeded. Returns true when the firmware was replaced. Refusals
// and failures are reported through ui; the files are then unchanged.
bool replacePicture(Session& session, Dialogs& ui,
                    const JpegConverter& convertJpeg = convertJpegToStream);

}  // namespace velmora
