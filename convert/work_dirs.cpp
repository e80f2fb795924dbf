// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/work_dirs.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

#include "firmware/file_io.h"
#include "firmware/io_error.h"

namespace velmora {
namespace {

// One tool every conversion and preview needs; its presence marks a tool folder.
bool holdsTools(const std::string& dir) {
    return fileExists(joinPath(dir, "pvw32con"));
}

std::string parentOf(const std::string& dir) {
    const auto slash = dir.find_last_of('/');
    return slash == std::string::npos || slash == 0 ? "/" : dir.substr(0, slash);
}

// dir joined with a relative path whose leading "../" steps are taken at once,
// so the tool folder shows in logs and commands without them.
std::string joinRelative(std::string dir, std::string relative) {
    while (relative.rfind("../", 0) == 0) {
        dir = parentOf(dir);
        relative.erase(0, 3);
    }
    return joinPath(dir, relative);
}

bool isExecutableFile(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

// A folder of the user's own that nobody else can enter: not a link, owned by
// the user, no access for group or others.
bool isPrivateFolder(const std::string& dir) {
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st {};
    const bool own = ::fstat(fd, &st) == 0 && st.st_uid == ::geteuid() &&
                     ((st.st_mode & 077) == 0 || ::fchmod(fd, 0700) == 0);
    ::close(fd);
    return own;
}

bool ownedByUsOrRoot(const struct stat& st) {
    return st.st_uid == ::geteuid() || st.st_uid == 0;
}

// True when no other user (root aside) can own, rename or replace anything
// on the way to dir, nor inside it but their own entries: every folder from
// the root down is ours or root's, and none that others may write in lacks
// the sticky bit (which keeps them off entries not theirs).
bool onlyWeControl(const std::string& dir) {
    char resolved[PATH_MAX];
    if (::realpath(dir.c_str(), resolved) == nullptr) return false;
    std::string folder = resolved;
    for (;;) {
        struct stat st {};
        if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
        if (!ownedByUsOrRoot(st)) return false;
        if ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0 && (st.st_mode & S_ISVTX) == 0) return false;
        if (folder == "/") return true;
        folder = parentOf(folder);
    }
}

}  // namespace

std::string chooseToolDir(const std::string& current, const std::string& exeDir) {
    for (const std::string& dir :
         {current, exeDir, joinPath(exeDir, "tools"), joinPath(parentOf(exeDir), "tools"),
          joinPath(parentOf(exeDir), "lib/velmora"),
          joinRelative(exeDir, VELMORA_INSTALLED_TOOL_DIR)}) {
        if (!dir.empty() && holdsTools(dir)) return dir;
    }
    return current;
}

std::optional<std::string> findOnPath(const std::string& name) {
    const char* path = std::getenv("PATH");
    if (path == nullptr) return std::nullopt;
    const std::string dirs = path;
    for (std::size_t from = 0; from <= dirs.size();) {
        std::size_t colon = dirs.find(':', from);
        if (colon == std::string::npos) colon = dirs.size();
        std::string dir = dirs.substr(from, colon - from);
        // An empty or relative entry names a folder below the current one.
        if (dir.empty() || dir[0] != '/') dir = joinPath(currentDir(), dir.empty() ? "." : dir);
        const std::string candidate = joinPath(dir, name);
        if (isExecutableFile(candidate)) return candidate;
        from = colon + 1;
    }
    return std::nullopt;
}

std::string chooseTempDir() {
    for (const char* name : {"TMP", "TMPDIR"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') return workFolderIn(value);
    }
    return workFolderIn("/tmp");
}

std::string workFolderIn(const std::string& base) {
    struct stat st {};
    if (::stat(base.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return base;
    // A folder another user controls (directly or through a link) could have
    // our work files swapped under us: the system's shared folder instead.
    if (!onlyWeControl(base)) return base == "/tmp" ? base : workFolderIn("/tmp");
    const bool shared = st.st_uid != ::geteuid() || (st.st_mode & (S_IWGRP | S_IWOTH)) != 0;
    if (!shared) return base;

    const std::string own = joinPath(base, "velmora-" + std::to_string(::geteuid()));
    if (::mkdir(own.c_str(), 0700) != 0 && errno != EEXIST) return base;
    if (isPrivateFolder(own)) return own;
    // Someone else holds the name: work in a fresh folder of our own instead.
    std::string fresh = own + "-XXXXXX";
    if (::mkdtemp(fresh.data()) != nullptr && isPrivateFolder(fresh)) return fresh;
    return base;
}

std::string executableDir() {
    char buffer[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0) return currentDir();
    return parentOf(std::string(buffer, static_cast<std::size_t>(n)));
}

std::string currentDir() {
    char buffer[PATH_MAX];
    return ::getcwd(buffer, sizeof buffer) != nullptr ? std::string(buffer) : std::string(".");
}

}  // namespace velmora

namespace velmora {

WorkFolderClaim::WorkFolderClaim(const std::string& folder) : path_(folder) {
    lock_ = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (lock_ < 0) return;  // the work itself reports the folder
    if (::flock(lock_, LOCK_EX | LOCK_NB) == 0) return;
    ::close(lock_);
    lock_ = -1;
    // Another Velmora works here: a fresh private folder of our own inside.
    std::string fresh = joinPath(folder, "velmora-run-XXXXXX");
    if (::mkdtemp(fresh.data()) == nullptr) return;
    path_ = fresh;
    fresh_ = true;
}

WorkFolderClaim::~WorkFolderClaim() {
    if (lock_ >= 0) ::close(lock_);
    if (!fresh_) return;
    // Our own folder goes with its files; nothing but files was made in it.
    if (DIR* dir = ::opendir(path_.c_str())) {
        while (const dirent* entry = ::readdir(dir)) {
            struct stat st {};
            if (::fstatat(::dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 &&
                !S_ISDIR(st.st_mode))
                (void)::unlinkat(::dirfd(dir), entry->d_name, 0);
        }
        ::closedir(dir);
    }
    (void)::rmdir(path_.c_str());
}

}  // namespace velmora
