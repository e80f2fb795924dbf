// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <functional>
#include <string>

#include "catalogue/session.h"
#include "media/picture_actions.h"
#include "person/dialogs.h"
#include "person/outcome.h"

namespace velmora {

// The core operations the window's handlers call. The real ones by default;
// tests may put stand-ins in to reach every state of the window quickly.
struct WindowCore {
    std::function<Outcome(Session&, Dialogs&, const std::string&)> analyze;
    std::function<std::array<std::string, 5>(const PictureEntry&, int)> gridRow;
    std::function<Outcome(Session&, Dialogs&)> openSource;
    std::function<Outcome(Session&, Dialogs&)> replace;
    std::function<Outcome(const Session&, Dialogs&, PreviewSink&)> view;
    std::function<Outcome(const Session&, Dialogs&)> saveVideo;
    std::function<Outcome(const Session&, Dialogs&)> savePicture;
    std::function<Outcome(const Session&, Dialogs&)> savePng;
    std::function<Outcome(const Session&, Dialogs&)> play;
    std::function<Outcome(const std::string&, Dialogs&)> restore;
};

[[nodiscard]] WindowCore realCore();

}  // namespace velmora
