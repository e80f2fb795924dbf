// SPDX-License-Identifier: GPL-3.0-or-later
#include "rewrite/original_backup.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "firmware/file_descriptor.h"
#include "firmware/file_io.h"
#include "firmware/file_system.h"
#include "firmware/io_error.h"

namespace velmora {
namespace {

enum class Found { Nothing, File, Other };

Found lookUp(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return Found::Nothing;
    return S_ISREG(st.st_mode) ? Found::File : Found::Other;
}

}  // namespace

std::string backupPathOf(const std::string& firmwarePath) {
    // Beside the file a symbolic link names, as the replacement changes that file.
    struct stat st {};
    std::string target;
    if (::lstat(firmwarePath.c_str(), &st) == 0 && S_ISLNK(st.st_mode) &&
        realFileSystem().resolve(firmwarePath, target) == 0)
        return target + ".orig";
    return firmwarePath + ".orig";
}

BackupAttempt keepOriginal(const std::string& firmwarePath, std::span<const std::uint8_t> bytes) {
    const std::string backup = backupPathOf(firmwarePath);
    const Found found = lookUp(backup);
    if (found == Found::File) return {BackupResult::AlreadyKept, {}};
    // A folder or a link under that name is no backup, and is not ours to replace.
    if (found == Found::Other)
        return {BackupResult::Failed, "something other than a file has its name"};
    mode_t mode = 0644;
    struct stat st {};
    const bool known = ::stat(firmwarePath.c_str(), &st) == 0;
    if (known) mode = st.st_mode & 07777;

    std::string temporary = backup + ".velmora-XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) return {BackupResult::Failed, systemCause()};
    // Written whole beside the firmware, then linked under its name: link()
    // never replaces an existing NAME.orig, even one made meanwhile.
    std::string cause;
    // The firmware's owner and group as far as we may give them (root may),
    // before the mode, which a change of owner can clear.
    if (known && ::fchown(fd, st.st_uid, st.st_gid) != 0)
        (void)::fchown(fd, static_cast<uid_t>(-1), st.st_gid);
    if (!writeAll(fd, bytes) || ::fchmod(fd, mode | S_IRUSR) != 0 || ::fsync(fd) != 0)
        cause = systemCause();
    if (::close(fd) != 0 && cause.empty()) cause = systemCause();
    BackupAttempt attempt{BackupResult::Kept, {}};
    if (!cause.empty()) {
        attempt = {BackupResult::Failed, cause};
    } else if (::link(temporary.c_str(), backup.c_str()) != 0) {
        attempt = errno == EEXIST ? BackupAttempt{BackupResult::AlreadyKept, {}}
                                  : BackupAttempt{BackupResult::Failed, systemCause()};
    }
    ::unlink(temporary.c_str());
    if (attempt.result == BackupResult::Kept) (void)realFileSystem().flushFolder(folderOf(backup));
    return attempt;
}

}  // namespace velmora
