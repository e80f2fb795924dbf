// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>

namespace velmora {

// The smallest file that holds one 16-byte row of flash.
inline constexpr long long kSmallestFirmware = 16;
// The formats' offsets are 32-bit: no firmware file reaches 4 GiB.
inline constexpr long long kLargestFirmware = 1LL << 32;

// What makes path unusable as a firmware file, said so the person can act on
// it (a folder, an empty file, a file too small to be a dump); nullopt when
// nothing is wrong that the reading itself would not report.
[[nodiscard]] std::optional<std::string> firmwareFileProblem(const std::string& path);

// Why a firmware file may not be changed: its owner has no write permission
// bit (as chmod 444 leaves it, which even root respects here) or the user
// cannot write it. nullopt when it may be written.
[[nodiscard]] std::optional<std::string> readOnlyProblem(const std::string& path);

// How many other names (hard links) the file has, which a replacement by
// rename leaves holding the old content; 0 for none.
[[nodiscard]] int otherNamesOf(const std::string& path);

}  // namespace velmora
