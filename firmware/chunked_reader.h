// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "firmware/file_descriptor.h"

namespace velmora {

// Reads a regular file front to back a piece at a time into one reused
// buffer, so each piece can be looked at, changed and kept while it is still
// in the cache. Reads at most the size the file had when it was opened; a
// file that shrinks meanwhile simply ends early.
class ChunkedReader {
  public:
    // Throws IoError as openRegularFile does.
    explicit ChunkedReader(const std::string& path);

    // The size when opened.
    [[nodiscard]] std::int64_t size() const { return size_; }
    // The next piece (empty at the end); valid until the next call. Throws
    // IoError ("Cannot read NAME: ...").
    [[nodiscard]] std::span<std::uint8_t> next();

  private:
    std::string path_;
    FileDescriptor fd_;
    std::int64_t size_ = 0;
    std::int64_t done_ = 0;
    std::vector<std::uint8_t> buffer_;
};

// Reserves room for a whole file of `size` bytes in `bytes` without filling
// it, and asks for large memory pages for it: a large image then costs a few
// hundred page faults instead of one per 4 KiB.
void reserveForWholeFile(std::vector<std::uint8_t>& bytes, std::int64_t size);

}  // namespace velmora
