// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "catalogue/session.h"
#include "person/dialogs.h"
#include "person/outcome.h"

namespace velmora {

// A picture source, converted to a stream: a file whose first bytes show a
// still picture (JPEG, PNG, BMP, TIFF, WebP, GIF), or one named ".JPG" or
// ".JPEG" (any letter case). Names ending ".m2v", ".m4v", ".mpg", ".mpeg" are
// always ready streams, and so is anything else.
[[nodiscard]] bool isJpegSource(const std::string& path);

// The open filter for a replacement of a picture of this kind.
[[nodiscard]] std::string sourceFilterFor(int kind);

// "Open Image file": asks for the file, checks a JPEG's header, decodes a
// picture whole, logs, and on acceptance sets SourceOpened, SourcePath and
// SourceAccepted. Declined when the choice is cancelled; a corrupted JPEG, a
// damaged picture, and a file that holds neither a picture nor a stream are
// refused, and the earlier source stays the one replaced.
[[nodiscard]] Outcome openReplacementSource(Session& session, Dialogs& ui);

}  // namespace velmora
