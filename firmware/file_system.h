// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string>

namespace velmora {

// The system calls an atomic file write is made of, as a seam: the tests put a
// file system in that fails at a chosen step. Each returns what the system
// call returns and leaves the cause in errno.
class FileSystem {
  public:
    virtual ~FileSystem() = default;

    // mkstemp: creates a new file from pathTemplate ("…XXXXXX"), which is filled in.
    virtual int createUnique(std::string& pathTemplate) = 0;
    virtual ssize_t write(int fd, const void* data, std::size_t n) = 0;
    virtual int setMode(int fd, mode_t mode) = 0;
    virtual int flush(int fd) = 0;
    virtual int close(int fd) = 0;
    virtual int rename(const std::string& from, const std::string& to) = 0;
    virtual int remove(const std::string& path) = 0;
};

// The machine's own file system.
[[nodiscard]] FileSystem& realFileSystem();

}  // namespace velmora
