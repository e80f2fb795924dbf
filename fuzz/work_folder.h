// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace velmora::fuzz {

// A private work folder for one fuzzing process, removed at exit.
const std::string& workFolder();

}  // namespace velmora::fuzz
