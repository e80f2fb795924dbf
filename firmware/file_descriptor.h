// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <utility>

#include "firmware/file_system.h"

namespace velmora {

// An open file descriptor, closed when it goes.
class FileDescriptor {
  public:
    explicit FileDescriptor(int fd = -1) : fd_(fd) {}
    ~FileDescriptor();
    FileDescriptor(FileDescriptor&& other) noexcept : fd_(other.release()) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept;
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    [[nodiscard]] int get() const { return fd_; }
    // Hands the descriptor over: it is no longer closed here.
    [[nodiscard]] int release() { return std::exchange(fd_, -1); }

  private:
    int fd_;
};

// A regular file opened for reading, with its size when it was opened.
struct RegularFile {
    FileDescriptor fd;
    std::int64_t size = 0;
};

// Opens path for reading if it names a regular file. A FIFO or a device is
// looked at without waiting for a writer, and refused like a folder. Throws
// IoError: "Cannot open NAME: cause", "Cannot open NAME: not a file".
[[nodiscard]] RegularFile openRegularFile(const std::string& path);

// "Cannot open NAME: not a file" for path.
[[nodiscard]] std::string notAFileText(const std::string& path);

// Writes every byte to fd: short writes go on where they stopped and an
// interrupted write is tried again. False with errno set when the system
// refuses; a write that takes nothing counts as refused (EIO), since asking
// again would never end.
[[nodiscard]] bool writeAll(int fd, std::span<const std::uint8_t> bytes,
                            FileSystem& fs = realFileSystem());

// Writes every byte to fd, a file just made at path, and closes it. Throws
// IoError ("Cannot write NAME: cause").
void writeAndClose(FileDescriptor fd, const std::string& path, std::span<const std::uint8_t> bytes);

}  // namespace velmora
