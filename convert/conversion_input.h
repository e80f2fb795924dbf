// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "catalogue/session.h"

namespace velmora {

// What a photo's conversion works from, handed in by the replacement: the
// tools, the work folder and the control; the firmware the old picture's
// stream parameters are read from; the accepted photo; the option controls.
struct ConversionInput {
    const WorkSettings& settings;
    const OpenedFirmware& firmware;
    std::string SourcePath;
    const ReplaceOptions& Options;
};

}  // namespace velmora
