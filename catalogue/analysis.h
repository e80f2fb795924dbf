// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <string>

#include "catalogue/session.h"
#include "person/dialogs.h"
#include "person/outcome.h"

namespace velmora {

inline constexpr const char* kFirmwareFilter =
    "Flash binary file (*.bin, *.rom)|*.bin;*.rom|Image file (*.img)|*.img";

// "Open Firmware file" once a file is chosen: byte order and working copy,
// free space, anchors, picture scan with the pointer locator. Fills the
// session (PicturesFound tells whether pictures were found) and reports
// through ui (log lines, progress). Done, or an IoFailure after which the
// session keeps what was found so far.
[[nodiscard]] Outcome analyzeFirmware(Session& session, Dialogs& ui, const std::string& path);

// The five grid cells of picture row `row` (1-based) for entry.
[[nodiscard]] std::array<std::string, 5> gridRow(const PictureEntry& entry, int row);

}  // namespace velmora
