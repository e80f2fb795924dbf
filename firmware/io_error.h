// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <utility>

namespace velmora {

// A failed file operation. The text names the file and, where it applies, the
// offset, e.g. "Read past the end of dump.bin at offset 0x001FFFFE"; the parts
// are kept apart too, for a front end that shows them its own way.
class IoError : public std::runtime_error {
  public:
    explicit IoError(const std::string& message) : std::runtime_error(message) {}
    IoError(const std::string& message, std::string file, std::int64_t offset, std::string cause)
        : std::runtime_error(message),
          file_(std::move(file)),
          offset_(offset),
          cause_(std::move(cause)) {}

    [[nodiscard]] const std::string& file() const { return file_; }
    [[nodiscard]] std::int64_t offset() const { return offset_; }  // -1: none applies
    [[nodiscard]] const std::string& cause() const { return cause_; }

  private:
    std::string file_;
    std::int64_t offset_ = -1;
    std::string cause_;
};

[[nodiscard]] std::string describeOffset(std::int64_t offset);

// The cause of the last failed system call, in words ("Permission denied").
[[nodiscard]] std::string systemCause();

// "what name: cause" for the file at path, with the cause of the last failed system call.
[[nodiscard]] IoError fileOperationError(const std::string& what, const std::string& shownName,
                                         const std::string& path);

}  // namespace velmora
