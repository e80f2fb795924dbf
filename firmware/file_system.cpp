// SPDX-License-Identifier: GPL-3.0-or-later
#include "firmware/file_system.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <vector>

namespace velmora {
namespace {

// The names of a file's extended attributes, NUL-separated; false with errno set.
bool attributeNames(const std::string& path, std::vector<char>& names) {
    for (;;) {
        const ssize_t size = ::listxattr(path.c_str(), nullptr, 0);
        if (size < 0) return errno == ENOTSUP;  // none can be held there
        names.resize(static_cast<std::size_t>(size));
        if (size == 0) return true;
        const ssize_t got = ::listxattr(path.c_str(), names.data(), names.size());
        if (got >= 0) {
            names.resize(static_cast<std::size_t>(got));
            return true;
        }
        if (errno != ERANGE) return false;  // grew meanwhile: ask again
    }
}

int copyAllAttributes(const std::string& from, int fd) {
    std::vector<char> names;
    if (!attributeNames(from, names)) return -1;
    std::vector<char> value;
    for (std::size_t at = 0; at < names.size();) {
        const char* name = names.data() + at;
        const std::string key(name);
        at += key.size() + 1;
        const ssize_t size = ::getxattr(from.c_str(), name, nullptr, 0);
        if (size < 0) {
            if (errno == ENODATA) continue;  // removed meanwhile
            return -1;
        }
        value.resize(static_cast<std::size_t>(size));
        const ssize_t got = ::getxattr(from.c_str(), name, value.data(), value.size());
        if (got < 0) return -1;
        if (::fsetxattr(fd, name, value.data(), static_cast<std::size_t>(got), 0) != 0) return -1;
    }
    return 0;
}

class SystemFiles : public FileSystem {
  public:
    int status(const std::string& path, struct stat& st) override {
        return ::stat(path.c_str(), &st);
    }
    int resolve(const std::string& path, std::string& target) override {
        char buffer[PATH_MAX];
        if (::realpath(path.c_str(), buffer) != nullptr) {
            target = buffer;
            return 0;
        }
        if (errno != ENOENT) return -1;
        target = path;
        return 0;
    }
    int createUnique(std::string& pathTemplate) override {
        return ::mkostemp(pathTemplate.data(), O_CLOEXEC);
    }
    ssize_t write(int fd, const void* data, std::size_t n) override { return ::write(fd, data, n); }
    int changeOwner(int fd, uid_t owner, gid_t group) override {
        return ::fchown(fd, owner, group);
    }
    int copyAttributes(const std::string& from, int fd) override {
        return copyAllAttributes(from, fd);
    }
    int setMode(int fd, mode_t mode) override { return ::fchmod(fd, mode); }
    int flush(int fd) override { return ::fsync(fd); }
    int close(int fd) override { return ::close(fd); }
    int rename(const std::string& from, const std::string& to) override {
        return ::rename(from.c_str(), to.c_str());
    }
    int flushFolder(const std::string& dir) override {
        const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) return -1;
        const int flushed = ::fsync(fd);
        const int saved = errno;
        ::close(fd);
        errno = saved;
        return flushed;
    }
    int remove(const std::string& path) override { return ::unlink(path.c_str()); }
};

}  // namespace

FileSystem& realFileSystem() {
    static SystemFiles files;  // stateless: the system holds the state
    return files;
}

}  // namespace velmora
