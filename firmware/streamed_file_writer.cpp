// SPDX-License-Identifier: GPL-3.0-or-later
#include "firmware/streamed_file_writer.h"

#include <sys/stat.h>

#include <cerrno>

#include "firmware/file_io.h"
#include "firmware/io_error.h"

namespace velmora {

StreamedFileWriter::StreamedFileWriter(std::string path, FileSystem& fs)
    : fs_(fs), path_(std::move(path)), temporary_(path_ + ".velmora-XXXXXX") {
    mode_ = 0666 & ~0022;
    struct stat st {};
    if (::stat(path_.c_str(), &st) == 0) mode_ = st.st_mode & 07777;
    fd_ = fs_.createUnique(temporary_);
    if (fd_ < 0) throw fileOperationError("Cannot create a temporary file beside", path_, path_);
}

StreamedFileWriter::~StreamedFileWriter() {
    if (fd_ >= 0) fs_.close(fd_);
    if (!committed_) fs_.remove(temporary_);
}

void StreamedFileWriter::discard(const char* what) {
    const IoError error = fileOperationError(what, fileNameOf(path_), path_);
    if (fd_ >= 0) fs_.close(fd_);
    fd_ = -1;
    throw error;  // the destructor removes the temporary file
}

void StreamedFileWriter::append(std::span<const std::uint8_t> bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = fs_.write(fd_, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            discard("Cannot write");
        }
        done += static_cast<std::size_t>(n);
    }
}

void StreamedFileWriter::commit() {
    if (fs_.setMode(fd_, mode_) != 0) discard("Cannot set the mode of");
    const int fd = fd_;
    fd_ = -1;
    if (fs_.close(fd) != 0) discard("Cannot write");
    if (fs_.rename(temporary_, path_) != 0) discard("Cannot replace");
    committed_ = true;
}

}  // namespace velmora
