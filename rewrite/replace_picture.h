#pragma once

#include <cstdint>
#include <functional>

#include "catalogue/session.h"
#include "convert/jpeg_conversion.h"
#include "firmware/file_system.h"
#include "person/dialogs.h"
#include "person/outcome.h"

namespace velmora {

using JpegConverter = std::function<Result<ConvertedStream>(const Session&, Dialogs&,
                                                            const PictureEntry&, std::int32_t)>;

// What a replacement works with: the real converter and file system, or
// stand-ins that tests put in.
struct ReplacementTools {
    ReplacementTools() : ReplacementTools(convertJpegToStream) {}
    template <typename Converter>
    ReplacementTools(Converter convert,  // NOLINT: a converter alone is a set of tools
                     FileSystem& fileSystem = realFileSystem())
        : convertJpeg(std::move(convert)), files(&fileSystem) {}

    JpegConverter convertJpeg;
    FileSystem* files;
};

// "Replace Image": puts the accepted source (SourcePath) in the place of the
// selected picture, rewrites the records that point at it, the checksum of an
// update image and the stored byte order, and commits the firmware only when
// every step succeeded. Done when the firmware was replaced; otherwise the
// files are unchanged.
[[nodiscard]] Outcome replacePicture(Session& session, Dialogs& ui,
                                     const ReplacementTools& tools = {});

}  // namespace velmora
