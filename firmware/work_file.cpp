// SPDX-License-Identifier: GPL-3.0-or-later
#include "firmware/work_file.h"

#include <fcntl.h>

#include <utility>

#include "firmware/file_descriptor.h"
#include "firmware/file_io.h"
#include "firmware/io_error.h"

namespace velmora {

void writeWorkFile(const std::string& path, std::span<const std::uint8_t> bytes) {
    removeFileIfExists(path);
    FileDescriptor fd(
        ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (fd.get() < 0) throw fileOperationError("Cannot create", path);
    writeAndClose(std::move(fd), path, bytes);
}

}  // namespace velmora
