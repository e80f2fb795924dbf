// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <span>
#include <string>
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
    // The firmware file as read, for a rollback: swapped firmware only (else
    // the image is the file as read).
    std::vector<std::uint8_t> storedFirmware;
    std::uint64_t workingCopyFingerprint = 0;  // swapped firmware only
    ByteImage image;                           // to be changed in memory

    // The firmware file as read.
    [[nodiscard]] std::span<const std::uint8_t> stored() const;
};

// A committed replacement: the digest of the firmware file as written, and a
// warning when the firmware is changed but its work copy could not be
// refreshed (it was removed then).
struct Committed {
    std::uint64_t storedFingerprint = 0;
    std::string warning;
};

// Reads the target. Refused when the firmware file vanished or changed since
// the analysis, or when a swapped firmware's working copy no longer is its
// byte-normalised twin. Throws IoError when a file cannot be read.
[[nodiscard]] Result<ReplaceTarget> loadTarget(const OpenedFirmware& opened,
                                               const WorkSettings& work);

// Writes the changed image atomically through files: the firmware itself, or
// for a swapped firmware the restored firmware first and then the working
// copy. Refused when either file changed meanwhile. On a failure both files
// keep their old content, except when the working copy cannot be written and
// the firmware cannot be put back either: the firmware then keeps the new,
// verified result and the working copy is removed, with a warning. Throws
// IoError when a file cannot be read or written.
[[nodiscard]] Result<Committed> commitReplacement(const OpenedFirmware& opened,
                                                  const WorkSettings& work,
                                                  const ReplaceTarget& target,
                                                  const ByteImage& changed, FileSystem& files);

}  // namespace velmora
