// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "catalogue/session.h"

namespace velmora::cli {

// The last analysis as one JSON document (the schema is in the README):
// the firmware, then every picture with its records.
[[nodiscard]] std::string analysisJson(const Session& session);

}  // namespace velmora::cli
