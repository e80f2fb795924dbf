#include "firmware/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <utility>

#include "firmware/chunked_reader.h"
#include "firmware/io_error.h"

namespace velmora {
namespace {

class FileDescriptor {
  public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    [[nodiscard]] int get() const { return fd_; }
    [[nodiscard]] int release() { return std::exchange(fd_, -1); }

  private:
    int fd_;
};

[[noreturn]] void fail(const std::string& what, const std::string& path) {
    throw IoError(what + " " + fileNameOf(path) + ": " + systemCause());
}

// Creating a file fails for its folder's sake: name the whole path.
[[noreturn]] void failCreating(const std::string& what, const std::string& path) {
    throw IoError(what + " " + path + ": " + systemCause());
}

void writeAll(int fd, std::span<const std::uint8_t> bytes, const std::string& path) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            fail("Cannot write", path);
        }
        done += static_cast<std::size_t>(n);
    }
}

}  // namespace

std::string fileNameOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string joinPath(const std::string& dir, const std::string& name) {
    if (dir.empty()) return "/" + name;
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
    if (!S_ISREG(st.st_mode)) throw IoError("Cannot open " + fileNameOf(path) + ": not a file");
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
    writeAll(fd.get(), bytes, path);
    if (::close(fd.release()) != 0) fail("Cannot write", path);
}

void writeFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes,
                         CommitStep failAt) {
    mode_t mode = 0666 & ~0022;
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) mode = st.st_mode & 07777;

    std::string temporary = path + ".velmora-XXXXXX";
    FileDescriptor fd(failAt == CommitStep::Create ? -1 : ::mkstemp(temporary.data()));
    if (fd.get() < 0) {
        if (failAt == CommitStep::Create) errno = EACCES;
        failCreating("Cannot create a temporary file beside", path);
    }
    auto discard = [&](const char* what) {
        const int saved = errno;
        ::unlink(temporary.c_str());
        errno = saved;
        fail(what, path);
    };
    if (failAt == CommitStep::Write) {
        errno = ENOSPC;
        discard("Cannot write");
    }
    try {
        writeAll(fd.get(), bytes, path);
    } catch (const IoError&) {
        ::unlink(temporary.c_str());
        throw;
    }
    if (::fchmod(fd.get(), mode) != 0) discard("Cannot set the mode of");
    if (failAt == CommitStep::Flush) errno = EIO;
    if (failAt == CommitStep::Flush || ::fsync(fd.get()) != 0) discard("Cannot flush");
    if (::close(fd.release()) != 0) discard("Cannot write");
    if (failAt == CommitStep::Rename) errno = EACCES;
    if (failAt == CommitStep::Rename || ::rename(temporary.c_str(), path.c_str()) != 0)
        discard("Cannot replace");
}

void removeFileIfExists(const std::string& path) {
    ::unlink(path.c_str());
}

}  // namespace velmora
