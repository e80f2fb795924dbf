// SPDX-License-Identifier: GPL-3.0-or-later
#include "firmware/work_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "firmware/file_io.h"
#include "firmware/io_error.h"

namespace velmora {

void writeWorkFile(const std::string& path, std::span<const std::uint8_t> bytes) {
    removeFileIfExists(path);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) throw fileOperationError("Cannot create", path, path);
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            const IoError failure = fileOperationError("Cannot write", fileNameOf(path), path);
            ::close(fd);
            throw failure;
        }
        done += static_cast<std::size_t>(n);
    }
    if (::close(fd) != 0) throw fileOperationError("Cannot write", fileNameOf(path), path);
}

}  // namespace velmora
