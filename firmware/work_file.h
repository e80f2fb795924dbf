// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace velmora {

// Creates a work file anew with bytes, never through a link planted under its
// name: an old file of that name is removed first and the new one made with
// O_EXCL | O_NOFOLLOW. Throws IoError.
void writeWorkFile(const std::string& path, std::span<const std::uint8_t> bytes);

}  // namespace velmora
