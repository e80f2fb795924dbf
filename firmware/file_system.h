// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <sys/stat.h>
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

    // stat: follows links.
    virtual int status(const std::string& path, struct stat& st) = 0;
    // The file a path names once every symbolic link on the way is followed
    // (realpath); the path itself when it names nothing yet.
    virtual int resolve(const std::string& path, std::string& target) = 0;
    // mkstemp: creates a new file from pathTemplate ("…XXXXXX"), which is filled in.
    virtual int createUnique(std::string& pathTemplate) = 0;
    virtual ssize_t write(int fd, const void* data, std::size_t n) = 0;
    // fchown
    virtual int changeOwner(int fd, uid_t owner, gid_t group) = 0;
    // Gives the file at fd every extended attribute (ACLs included) of the file at from.
    virtual int copyAttributes(const std::string& from, int fd) = 0;
    virtual int setMode(int fd, mode_t mode) = 0;
    virtual int flush(int fd) = 0;
    virtual int close(int fd) = 0;
    virtual int rename(const std::string& from, const std::string& to) = 0;
    // Makes a rename in the folder dir last through a power cut (fsync of the folder).
    virtual int flushFolder(const std::string& dir) = 0;
    virtual int remove(const std::string& path) = 0;
};

// The machine's own file system.
[[nodiscard]] FileSystem& realFileSystem();

}  // namespace velmora
