// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace velmora {

// A failed file operation. The text names the file and, where it applies, the
// offset, e.g. "Read past the end of dump.bin at offset 0x001FFFFE".
class IoError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

[[nodiscard]] std::string describeOffset(std::int64_t offset);

// The cause of the last failed system call, in words ("Permission denied").
[[nodiscard]] std::string systemCause();

// "what name: cause", with the cause of the last failed system call.
[[nodiscard]] IoError fileOperationError(const std::string& what, const std::string& shownName);

}  // namespace velmora
