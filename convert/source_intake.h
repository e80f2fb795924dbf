// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "catalogue/session.h"
#include "person/dialogs.h"
#include "person/outcome.h"

namespace velmora {

// ".JPG" and ".JPEG" (any letter case) make a JPEG source; anything else a ready stream.
[[nodiscard]] bool isJpegSource(const std::string& path);

// The open filter for a replacement of a picture of this kind.
[[nodiscard]] std::string sourceFilterFor(int kind);

// "Open Image file": asks for the file, checks a JPEG's header, logs, and on
// acceptance sets SourceOpened, SourcePath and SourceAccepted. Declined when
// the choice is cancelled; a corrupted JPEG is refused and the earlier source
// stays the one replaced.
[[nodiscard]] Outcome openReplacementSource(Session& session, Dialogs& ui);

}  // namespace velmora
