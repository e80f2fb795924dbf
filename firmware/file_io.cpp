// SPDX-License-Identifier: GPL-3.0-or-later
#include "firmware/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <utility>

#include "firmware/chunked_reader.h"
#include "firmware/file_descriptor.h"
#include "firmware/io_error.h"

namespace velmora {
namespace {

[[noreturn]] void fail(const std::string& what, const std::string& path) {
    throw fileOperationError(what, fileNameOf(path));
}

// Creating a file fails for its folder's sake: name the whole path.
[[noreturn]] void failCreating(const std::string& what, const std::string& path) {
    throw fileOperationError(what, path);
}

// The temporary file of an atomic write: removed again unless it was renamed
// over its target.
class Temporary {
  public:
    Temporary(FileSystem& fs, std::string path) : fs_(fs), path_(std::move(path)) {}
    ~Temporary() {
        if (path_.empty()) return;
        const int saved = errno;
        fs_.remove(path_);
        errno = saved;
    }
    Temporary(const Temporary&) = delete;
    Temporary& operator=(const Temporary&) = delete;
    void keep() { path_.clear(); }

  private:
    FileSystem& fs_;
    std::string path_;
};

}  // namespace

std::string fileNameOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string joinPath(const std::string& dir, const std::string& name) {
    if (dir.empty()) return name;  // a name in the current folder, not in the root
    if (dir.back() == '/') return dir + name;
    return dir + "/" + name;
}

bool fileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::int64_t fileSize(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) fail("Cannot open", path);
    if (!S_ISREG(st.st_mode)) throw IoError(notAFileText(path));
    return st.st_size;
}

ByteImage readImageFile(const std::string& path) {
    ChunkedReader file(path);
    // Reserved, not zero-filled: the bytes arrive piece by piece.
    std::vector<std::uint8_t> bytes;
    reserveForWholeFile(bytes, file.size());
    for (auto piece = file.next(); !piece.empty(); piece = file.next())
        bytes.insert(bytes.end(), piece.begin(), piece.end());
    return ByteImage(fileNameOf(path), std::move(bytes));
}

void writeWholeFile(const std::string& path, std::span<const std::uint8_t> bytes) {
    FileDescriptor fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    if (fd.get() < 0) failCreating("Cannot create", path);
    writeAndClose(std::move(fd), path, bytes);
}

std::string folderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

void writeFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes,
                         FileSystem& fs) {
    // Through a symbolic link the file it names is replaced; the link stays.
    std::string target;
    if (fs.resolve(path, target) != 0) failCreating("Cannot create a temporary file beside", path);
    mode_t mode = 0666 & ~0022;
    struct stat st {};
    const bool replacing = fs.status(target, st) == 0;
    if (replacing) mode = st.st_mode & 07777;

    std::string temporaryPath = target + ".velmora-XXXXXX";
    const int fd = fs.createUnique(temporaryPath);
    if (fd < 0) failCreating("Cannot create a temporary file beside", path);
    Temporary temporary(fs, temporaryPath);
    auto closeAndFail = [&](const char* what) {
        const int saved = errno;
        fs.close(fd);
        errno = saved;
        fail(what, path);
    };
    if (!writeAll(fd, bytes, fs)) closeAndFail("Cannot write");
    if (replacing) {
        // The file keeps its owner where we may give it (root may), else its
        // group where the user may give it; both before the mode, which a
        // change of owner can clear.
        if (fs.changeOwner(fd, st.st_uid, st.st_gid) != 0)
            (void)fs.changeOwner(fd, static_cast<uid_t>(-1), st.st_gid);
        if (fs.copyAttributes(target, fd) != 0) closeAndFail("Cannot keep the attributes of");
    }
    if (fs.setMode(fd, mode) != 0) closeAndFail("Cannot set the mode of");
    if (fs.flush(fd) != 0) closeAndFail("Cannot flush");
    if (fs.close(fd) != 0) fail("Cannot write", path);
    if (fs.rename(temporaryPath, target) != 0) fail("Cannot replace", path);
    temporary.keep();
    // Without this a power cut could still bring the old file back.
    // (It cannot be undone now: a folder that cannot be flushed is no reason
    // to report a file as unchanged that is replaced.)
    (void)fs.flushFolder(folderOf(target));
}

void removeFileIfExists(const std::string& path) {
    ::unlink(path.c_str());
}

}  // namespace velmora
