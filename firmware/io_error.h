#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace velmora {

// A failed file operation. The text names the file and, where it applies, the
// offset, e.g. "Read past the end of dump.bin at offset 0x001FFFFE".
class IoError : public std::runtime_error {
  public:
    explicit IoError(const std::string& message) : std::runtime_error(message) {}
};

[[nodiscard]] std::string describeOffset(std::int64_t offset);

// The cause of the last failed system call, in words ("Permission denied").
[[nodiscard]] std::string systemCause();

}  // namespace velmora
