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

// "Open Image file" once the file is known, whether chosen in the open
// dialog (with the filter above), dropped on the window or named on the
// command line: checks a JPEG's header, decodes a picture whole, logs, and
// gives the accepted source. A corrupted JPEG, a damaged picture, and a file
// that holds neither a picture nor a stream are refused; the front end keeps
// its earlier source then.
[[nodiscard]] Result<ReplacementSource> acceptReplacementSource(const std::string& path,
                                                                Dialogs& ui);

}  // namespace velmora
