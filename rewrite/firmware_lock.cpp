// SPDX-License-Identifier: GPL-3.0-or-later
#include "rewrite/firmware_lock.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>
#include <utility>

#include "firmware/file_io.h"
#include "firmware/file_system.h"

namespace velmora {
namespace {

// How often a waiting Velmora looks whether the file is free, or cancelled.
constexpr std::chrono::milliseconds kBusyPoll{25};

bool sameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// NAME.velmora-XXXXXX: what mkstemp makes of the template an atomic write uses.
bool isTemporaryOf(const std::string& entry, const std::string& name) {
    const std::string prefix = name + ".velmora-";
    if (entry.size() != prefix.size() + 6 || entry.compare(0, prefix.size(), prefix) != 0)
        return false;
    for (std::size_t i = prefix.size(); i < entry.size(); ++i) {
        const char c = entry[i];
        const bool letterOrDigit =
            (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (!letterOrDigit) return false;
    }
    return true;
}

// Temporaries of the file and of its NAME.orig that a killed run left: ours
// only (regular files of this user), never anything else beside them.
void removeStaleTemporaries(const std::string& target) {
    const std::string folder = folderOf(target);
    const std::string name = fileNameOf(target);
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) return;
    const int dirFd = ::dirfd(dir);
    while (const dirent* entry = ::readdir(dir)) {
        const std::string entryName = entry->d_name;
        if (!isTemporaryOf(entryName, name) && !isTemporaryOf(entryName, name + ".orig")) continue;
        struct stat st {};
        if (::fstatat(dirFd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
        if (!S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) continue;
        (void)::unlinkat(dirFd, entry->d_name, 0);
    }
    ::closedir(dir);
}

}  // namespace

FirmwareLock::FirmwareLock(FirmwareLock&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

FirmwareLock& FirmwareLock::operator=(FirmwareLock&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

FirmwareLock::~FirmwareLock() {
    if (fd_ >= 0) ::close(fd_);  // closing lets the lock go
}

std::string firmwareBusyText(const std::string& fileName) {
    return fileName +
           " is being changed by another Velmora. Nothing was done; try again once "
           "it has finished.";
}

Result<FirmwareLock> lockFirmware(const std::string& path, Dialogs& ui, const WorkControl& control,
                                  WhenBusy whenBusy) {
    std::string target;
    if (realFileSystem().resolve(path, target) != 0) target = path;
    bool told = false;
    for (;;) {
        const int fd = ::open(target.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0) return FirmwareLock();  // missing or unreadable: the reading says why
        FirmwareLock lock(fd);
        struct stat locked {};
        if (::fstat(fd, &locked) != 0 || !S_ISREG(locked.st_mode)) return FirmwareLock();
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            // The file may have been replaced while we waited: the lock must
            // be on the one the name holds now.
            struct stat named {};
            if (::stat(target.c_str(), &named) == 0 && sameFile(named, locked)) {
                removeStaleTemporaries(target);
                return lock;
            }
            continue;
        }
        if (errno != EWOULDBLOCK && errno != EINTR) return FirmwareLock();  // no locks here
        if (whenBusy == WhenBusy::Refuse)
            return Outcome::refused(kErrorCaption, firmwareBusyText(fileNameOf(path)));
        if (!told) {
            ui.log(fileNameOf(path) + " is being changed by another Velmora; waiting\u2026");
            told = true;
        }
        if (control.cancelRequested()) return Outcome::cancelled();
        std::this_thread::sleep_for(kBusyPoll);
    }
}

}  // namespace velmora
