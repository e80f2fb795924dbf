// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "firmware/byte_image.h"

namespace velmora {

// The byte-normalised working copy of a byte-swapped dump, in TempDir.
inline constexpr const char* kWorkingCopy = "$tmp.bin";

// A firmware file as stored, with the digest of its bytes.
struct StoredFirmware {
    ByteImage image;  // named by the file name
    std::uint64_t fingerprint = 0;
};

// Reads the firmware file at path piece by piece into one image, taking each
// piece into the fingerprint as it comes, so only one copy is ever held.
// `opened` runs once the file is open and its first bytes are read. Throws
// IoError as ChunkedReader does.
[[nodiscard]] StoredFirmware readStoredFirmware(const std::string& path,
                                                const std::function<void()>& opened);

// Writes the byte-normalised image of a swapped dump to `path` (the working
// copy in TempDir). Throws IoError when the work folder is not writable.
void writeWorkingCopy(const std::string& path, const ByteImage& normalised);

}  // namespace velmora
