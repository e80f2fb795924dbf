#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "catalogue/session.h"
#include "firmware/dialogs.h"

namespace velmora {

struct JpegSize {
    int width = 0;
    int height = 0;
};

// Walks the JPEG marker segments up to the first baseline frame header (SOF0)
// and returns its size; nullopt for anything else. Never reads past the file.
// Throws IoError when the file cannot be opened or read.
[[nodiscard]] std::optional<JpegSize> ReadJpegSize(const std::string& path);

// ".JPG" and ".JPEG" (any letter case) make a JPEG source; anything else a ready stream.
[[nodiscard]] bool isJpegSource(const std::string& path);

// The open filter for a replacement of a picture of this kind.
[[nodiscard]] std::string sourceFilterFor(int kind);

// What "Open Image file" accepted.
struct AcceptedSource {
    std::string panelCaption;  // "JPEG 720x576: photo.jpg" / "MPEG file: clip.m2v"
    bool isJpeg = false;       // the colour and orientation groups are enabled for JPEG only
};

// "Open Image file": asks for the file, checks a JPEG's header, logs, and on
// acceptance sets SourceOpened and SourcePath. nullopt when cancelled or
// refused (the person has been told). Throws IoError.
[[nodiscard]] std::optional<AcceptedSource> openReplacementSource(Session& session, Dialogs& ui);

}  // namespace velmora
