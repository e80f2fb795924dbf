#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>

#include "catalogue/session.h"
#include "convert/source_intake.h"
#include "firmware/dialogs.h"
#include "media/picture_actions.h"

namespace velmora {

// The core operations the window's handlers call. The real ones by default;
// tests may put stand-ins in to reach every state of the window quickly.
struct WindowCore {
    std::function<bool(Session&, Dialogs&, const std::string&)> analyze;
    std::function<std::array<std::string, 5>(const PictureEntry&, int)> gridRow;
    std::function<std::optional<AcceptedSource>(Session&, Dialogs&)> openSource;
    std::function<bool(Session&, Dialogs&)> replace;
    std::function<void(Session&, Dialogs&, PreviewSink&)> view;
    std::function<void(Session&, Dialogs&)> saveVideo;
    std::function<void(Session&, Dialogs&)> savePicture;
};

[[nodiscard]] WindowCore realCore();

}  // namespace velmora
