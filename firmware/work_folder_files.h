// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "firmware/byte_image.h"
#include "firmware/file_descriptor.h"

namespace velmora {

// Work files relative to the work folder as it was opened once (folder is its
// descriptor; -1: the folder is reached by its path each time). A folder put
// in its place under the same name later is never written, read or run from.

// Makes the work file at path (its name inside folder) anew with bytes, never
// through a link planted under its name, as writeWorkFile does. The returned
// descriptor reads what was written, whatever is put under its name
// afterwards. Throws IoError.
[[nodiscard]] FileDescriptor writeWorkFileIn(int folder, const std::string& path,
                                             std::span<const std::uint8_t> bytes);

struct WorkFileRead {
    bool exists = false;
    bool tooLarge = false;  // larger than asked for: not read
    std::vector<std::uint8_t> bytes;
};

// Reads the work file at path from folder, not through a link. Throws IoError
// when it is there but cannot be read.
[[nodiscard]] WorkFileRead readWorkFileIn(int folder, const std::string& path,
                                          std::int64_t maxBytes);

// The whole work file at path, as readImageFile reads it but from folder, not
// through a link; missing or unreadable, the IoError readImageFile gives.
[[nodiscard]] ByteImage readWorkImageIn(int folder, const std::string& path);

// Renames a work file inside the folder; false when it could not be.
bool renameWorkFileIn(int folder, const std::string& from, const std::string& to);

// Throws IoError when path no longer leads to the folder that was opened
// (something else was put in its place): no tool is then run on it.
void requireFolderInPlace(int folder, const std::string& path);

}  // namespace velmora
