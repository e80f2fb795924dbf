// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "catalogue/session.h"
#include "person/dialogs.h"
#include "person/outcome.h"

namespace velmora {

// A decoded picture for the preview window: rows top to bottom, 3 bytes per
// pixel in the order blue, green, red.
struct PreviewPicture {
    int number = 0;  // the grid row, SelectedPicture + 1
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> bgr;
    // The width the TV shows it at (its aspect ratio code); 0: as stored.
    int displayWidth = 0;
};

// Where a decoded MPEG-2 picture is shown (the window's preview form).
class PreviewSink {
  public:
    virtual ~PreviewSink() = default;
    virtual void showPreview(const PreviewPicture& picture) = 0;
};

// The picture is extracted, decoded and shown (an MPEG-2 picture by the
// decoder tool, an MPEG-4 picture here with libavcodec).
[[nodiscard]] Outcome viewPicture(const PictureTarget& target, PreviewSink& preview);
// An MPEG-4 picture is extracted to the work file and handed to the desktop's
// player.
[[nodiscard]] Outcome playPicture(const PictureTarget& target, Dialogs& ui);
// The picture's stream is saved under the name the person chooses.
[[nodiscard]] Outcome saveVideo(const PictureTarget& target, Dialogs& ui);
// An MPEG-2 picture is decoded and saved as a TGA picture. The decoder writes
// the chosen name with ".tga" appended; when that file exists the person is
// asked first.
inline constexpr const char* kOverwriteCaption = "Confirm Save As";
[[nodiscard]] std::string overwriteQuestion(const std::string& name);
[[nodiscard]] Outcome savePicture(const PictureTarget& target, Dialogs& ui);
// The first picture as decoded, at its stored size, under the chosen name
// (".png" appended when it does not end so); both picture kinds.
[[nodiscard]] Outcome savePng(const PictureTarget& target, Dialogs& ui);

}  // namespace velmora
