// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <vector>

#include "catalogue/session.h"
#include "firmware/byte_image.h"
#include "firmware/file_system.h"
#include "person/outcome.h"

namespace velmora {

// What a replacement changes: the byte-normalised image (the working copy of a
// swapped firmware, else the firmware itself), read at replace time, and what
// the files held then.
struct ReplaceTarget {
    std::vector<std::uint8_t> storedFirmware;  // the firmware file as read, for a rollback
    std::uint64_t workingCopyFingerprint = 0;  // swapped firmware only
    ByteImage image;                           // to be changed in memory
};

// Reads the target. Refused when the firmware file vanished or changed since
// the analysis, or when a swapped firmware's working copy no longer is its
// byte-normalised twin. Throws IoError when a file cannot be read.
[[nodiscard]] Result<ReplaceTarget> loadTarget(const Session& session);

// Writes the changed image atomically through files: the firmware itself, or
// for a swapped firmware the restored firmware first and then the working
// copy. Refused when either file changed meanwhile. On any failure both files
// keep their old content. Returns the stored firmware's new bytes. Throws
// IoError when a file cannot be read or written.
[[nodiscard]] Result<std::vector<std::uint8_t>> commitReplacement(const Session& session,
                                                                  const ReplaceTarget& target,
                                                                  const ByteImage& changed,
                                                                  FileSystem& files);

}  // namespace velmora
