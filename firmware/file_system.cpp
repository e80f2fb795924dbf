// SPDX-License-Identifier: GPL-3.0-or-later
#include "firmware/file_system.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

namespace velmora {
namespace {

class SystemFiles : public FileSystem {
  public:
    int createUnique(std::string& pathTemplate) override { return ::mkstemp(pathTemplate.data()); }
    ssize_t write(int fd, const void* data, std::size_t n) override { return ::write(fd, data, n); }
    int setMode(int fd, mode_t mode) override { return ::fchmod(fd, mode); }
    int flush(int fd) override { return ::fsync(fd); }
    int close(int fd) override { return ::close(fd); }
    int rename(const std::string& from, const std::string& to) override {
        return ::rename(from.c_str(), to.c_str());
    }
    int remove(const std::string& path) override { return ::unlink(path.c_str()); }
};

}  // namespace

FileSystem& realFileSystem() {
    static SystemFiles files;  // stateless: the system holds the state
    return files;
}

}  // namespace velmora
