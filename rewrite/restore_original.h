// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "person/dialogs.h"
#include "person/outcome.h"

namespace velmora {

inline constexpr const char* kRestoreCaption = "Restore the original?";

// The question the window asks before it puts NAME.orig back.
[[nodiscard]] std::string restoreQuestion(const std::string& firmwarePath);

// Puts NAME.orig back in place of the firmware file, atomically, after
// checking that it is there and readable and that the firmware may be written.
// NAME.orig stays. The caller analyses the restored file again.
[[nodiscard]] Outcome restoreOriginal(const std::string& firmwarePath, Dialogs& ui);

}  // namespace velmora
