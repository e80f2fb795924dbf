// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <functional>
#include <string>

#include "catalogue/session.h"
#include "media/picture_actions.h"
#include "person/dialogs.h"
#include "person/outcome.h"
#include "rewrite/replace_picture.h"

namespace velmora {

// The core operations the window's handlers call. The real ones by default;
// tests may put stand-ins in to reach every state of the window quickly.
struct WindowCore {
    std::function<Outcome(Session&, Dialogs&, const std::string&)> analyze;
    std::function<std::array<std::string, 5>(const PictureEntry&, int)> gridRow;
    std::function<Result<ReplacementSource>(const std::string&, Dialogs&)> acceptSource;
    std::function<Replacement(const PictureTarget&, const ReplacementSource&, const ReplaceOptions&,
                              Dialogs&)>
        replace;
    std::function<Outcome(const PictureTarget&, PreviewSink&)> view;
    std::function<Outcome(const PictureTarget&, Dialogs&)> saveVideo;
    std::function<Outcome(const PictureTarget&, Dialogs&)> savePicture;
    std::function<Outcome(const PictureTarget&, Dialogs&)> savePng;
    std::function<Outcome(const PictureTarget&, Dialogs&)> play;
    std::function<Outcome(const std::string&, Dialogs&)> restore;
};

[[nodiscard]] WindowCore realCore();

}  // namespace velmora
