// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/work_dirs.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

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
namespace {

constexpr const char* kRunFolderPrefix = "velmora-run-";
// A run's folder has this name until it is locked, so that a locked-out
// velmora-run- folder is always a run that no longer lives.
constexpr const char* kNewFolderPrefix = "velmora-new-";
// A velmora-new- folder this old is left by a run killed while making it.
constexpr time_t kUnnamedFolderAge = 60;

bool startsWith(const std::string& text, const char* prefix) {
    return text.rfind(prefix, 0) == 0;
}

// The names in a folder, "." and ".." left out; none when it cannot be read.
std::vector<std::string> namesIn(int folder) {
    std::vector<std::string> names;
    const int scan = ::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (scan < 0) return names;
    DIR* dir = ::fdopendir(scan);
    if (dir == nullptr) {
        ::close(scan);
        return names;
    }
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    ::closedir(dir);
    return names;
}

// Removes the files in a run's folder; nothing but files is made in one.
void removeFilesIn(int folder) {
    for (const std::string& name : namesIn(folder)) {
        struct stat st {};
        if (::fstatat(folder, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && !S_ISDIR(st.st_mode))
            (void)::unlinkat(folder, name.c_str(), 0);
    }
}

// A leftover run folder of ours is removed once its lock can be had: the run
// that held it is gone. One that is still locked belongs to a live run.
void removeIfLeftover(int base, const std::string& name) {
    const int folder =
        ::openat(base, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (folder < 0) return;
    struct stat st {};
    const bool ours = ::fstat(folder, &st) == 0 && st.st_uid == ::geteuid();
    const bool unnamedLongAgo =
        startsWith(name, kNewFolderPrefix) && ::time(nullptr) - st.st_ctime > kUnnamedFolderAge;
    if (ours && (startsWith(name, kRunFolderPrefix) || unnamedLongAgo) &&
        ::flock(folder, LOCK_EX | LOCK_NB) == 0) {
        removeFilesIn(folder);
        (void)::unlinkat(base, name.c_str(), AT_REMOVEDIR);
    }
    ::close(folder);
}

void removeLeftoverRuns(int base) {
    for (const std::string& name : namesIn(base))
        if (startsWith(name, kRunFolderPrefix) || startsWith(name, kNewFolderPrefix))
            removeIfLeftover(base, name);
}

struct RunFolder {
    std::string name;
    int descriptor = -1;
};

// A fresh private folder inside base, made under a passing name, locked,
// then given its run name: a cleaner never sees it named and unlocked.
std::optional<RunFolder> makeRunFolder(int base, const std::string& basePath) {
    for (int attempt = 0; attempt < 8; ++attempt) {
        std::string made = joinPath(basePath, std::string(kNewFolderPrefix) + "XXXXXX");
        if (::mkdtemp(made.data()) == nullptr) return std::nullopt;
        const std::string suffix = made.substr(made.size() - 6);
        const std::string passing = kNewFolderPrefix + suffix;
        const std::string named = kRunFolderPrefix + suffix;
        const int folder =
            ::openat(base, passing.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (folder >= 0 && ::flock(folder, LOCK_EX | LOCK_NB) == 0 &&
            ::renameat2(base, passing.c_str(), base, named.c_str(), RENAME_NOREPLACE) == 0)
            return RunFolder{named, folder};
        if (folder >= 0) ::close(folder);
        (void)::unlinkat(base, passing.c_str(), AT_REMOVEDIR);
    }
    return std::nullopt;
}

}  // namespace

WorkFolderClaim::WorkFolderClaim(const std::string& folder) : path_(folder) {
    const int base = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (base < 0) return;  // the work itself reports the folder
    removeLeftoverRuns(base);
    if (::flock(base, LOCK_EX | LOCK_NB) == 0) {
        dir_ = base;
        return;
    }
    // Another Velmora works here: a fresh private folder of our own inside.
    if (std::optional<RunFolder> fresh = makeRunFolder(base, folder)) {
        path_ = joinPath(folder, fresh->name);
        dir_ = fresh->descriptor;
        parent_ = base;
        freshName_ = fresh->name;
        return;
    }
    ::close(base);
}

WorkFolderClaim::~WorkFolderClaim() {
    if (parent_ >= 0) {
        // Our own folder goes with its files, while its lock is still held.
        removeFilesIn(dir_);
        (void)::unlinkat(parent_, freshName_.c_str(), AT_REMOVEDIR);
        ::close(parent_);
    }
    if (dir_ >= 0) ::close(dir_);  // closing lets the lock go
}

}  // namespace velmora
