// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "catalogue/session.h"

namespace velmora::cli {

// N of the command line, a grid row number from 1 on; a UsageError otherwise.
[[nodiscard]] int pictureNumber(const std::string& text);

// Selects grid row `number` of the analysed firmware; a UsageError when there is none.
void selectPicture(Session& session, int number);

}  // namespace velmora::cli
