// SPDX-License-Identifier: GPL-3.0-or-later
#include "firmware/file_descriptor.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "firmware/file_io.h"
#include "firmware/io_error.h"

namespace velmora {

FileDescriptor::~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
}

FileDescriptor& FileDescriptor::operator=(FileDescriptor&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = other.release();
    }
    return *this;
}

std::string notAFileText(const std::string& path) {
    return "Cannot open " + fileNameOf(path) + ": not a file";
}

RegularFile openRegularFile(const std::string& path) {
    // Without O_NONBLOCK opening a FIFO waits for a writer that may never come.
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.get() < 0) throw fileOperationError("Cannot open", fileNameOf(path));
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) throw fileOperationError("Cannot open", fileNameOf(path));
    if (!S_ISREG(st.st_mode)) throw IoError(notAFileText(path));
    const int flags = ::fcntl(fd.get(), F_GETFL);
    if (flags < 0 || ::fcntl(fd.get(), F_SETFL, flags & ~O_NONBLOCK) != 0)
        throw fileOperationError("Cannot open", fileNameOf(path));
    return {std::move(fd), st.st_size};
}

bool writeAll(int fd, std::span<const std::uint8_t> bytes, FileSystem& fs) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = fs.write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) {
            errno = EIO;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

void writeAndClose(FileDescriptor fd, const std::string& path,
                   std::span<const std::uint8_t> bytes) {
    if (!writeAll(fd.get(), bytes)) throw fileOperationError("Cannot write", fileNameOf(path));
    if (::close(fd.release()) != 0) throw fileOperationError("Cannot write", fileNameOf(path));
}

}  // namespace velmora
