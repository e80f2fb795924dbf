// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "firmware/byte_image.h"
#include "firmware/file_system.h"

namespace velmora {

// The file-name part of a path ("dump.bin" of "/a/b/dump.bin").
[[nodiscard]] std::string fileNameOf(const std::string& path);

// The folder part of a path ("/a/b" of "/a/b/dump.bin", "." of "dump.bin").
[[nodiscard]] std::string folderOf(const std::string& path);

// path joined with name by one separator.
[[nodiscard]] std::string joinPath(const std::string& dir, const std::string& name);

[[nodiscard]] bool fileExists(const std::string& path);

// Size of a regular file; throws IoError when it cannot be examined.
[[nodiscard]] std::int64_t fileSize(const std::string& path);

// Reads a whole regular file into an image named by its file name. Throws
// IoError (missing, unreadable, a directory, ...).
[[nodiscard]] ByteImage readImageFile(const std::string& path);

// Creates or truncates path and writes bytes to it (no atomicity: for files
// the program makes for the user, such as saved streams).
void writeWholeFile(const std::string& path, std::span<const std::uint8_t> bytes);

// Replaces path by bytes so that at every moment path holds either its old or
// its new content: a temporary file beside it is written, flushed and renamed
// over it, and the folder flushed. The new file keeps the old one's mode bits,
// owner and group (as far as the user may give them) and extended attributes
// (ACLs among them). Through a symbolic link the file it names is replaced and
// the link stays. Throws IoError and leaves path untouched on failure.
void writeFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes,
                         FileSystem& fs = realFileSystem());

// Deletes a file; a missing file is passed over.
void removeFileIfExists(const std::string& path);

}  // namespace velmora
