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
};

// Where a decoded MPEG-2 picture is shown (the window's preview form).
class PreviewSink {
  public:
    virtual ~PreviewSink() = default;
    virtual void showPreview(const PreviewPicture& picture) = 0;
};

// "View": the picture is extracted, decoded and shown (an MPEG-2 picture by
// the decoder tool, an MPEG-4 picture here with libavcodec).
[[nodiscard]] Outcome View1Click(const Session& session, Dialogs& ui, PreviewSink& preview);
// An MPEG-4 picture is extracted to the work file and handed to the desktop's
// player.
[[nodiscard]] Outcome Play1Click(const Session& session, Dialogs& ui);
// "Save MPEG video".
[[nodiscard]] Outcome Savevideo1Click(const Session& session, Dialogs& ui);
// "Save TGA picture" (MPEG-2 pictures only). The decoder writes the chosen
// name, with ".tga" appended when it does not end so; when that file exists
// the person is asked first.
inline constexpr const char* kOverwriteCaption = "Confirm Save As";
[[nodiscard]] std::string overwriteQuestion(const std::string& name);
[[nodiscard]] Outcome Savepicture1Click(const Session& session, Dialogs& ui);
// "Save as PNG…" (both picture kinds): the first picture as decoded, at its
// stored size, under the chosen name (".png" appended when it does not end so).
[[nodiscard]] Outcome savePng(const Session& session, Dialogs& ui);

}  // namespace velmora
