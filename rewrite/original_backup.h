// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace velmora {

// The original of a firmware file is kept beside it as NAME.orig.
[[nodiscard]] std::string backupPathOf(const std::string& firmwarePath);

enum class BackupResult { Kept, AlreadyKept, Failed };

struct BackupAttempt {
    BackupResult result = BackupResult::Failed;
    std::string cause;  // why it failed, in words
};

// Writes bytes, the firmware as it is before its first change, to NAME.orig
// with the firmware's permission bits. A NAME.orig that already exists is never
// touched: a file is the first original, kept; anything else under that name
// (a folder, a link) is a failure. The file appears whole or not at all.
[[nodiscard]] BackupAttempt keepOriginal(const std::string& firmwarePath,
                                         std::span<const std::uint8_t> bytes);

}  // namespace velmora
