// SPDX-License-Identifier: GPL-3.0-or-later
#include "firmware/streamed_file_writer.h"

#include <sys/stat.h>

#include "firmware/file_descriptor.h"
#include "firmware/file_io.h"
#include "firmware/io_error.h"

namespace velmora {

StreamedFileWriter::StreamedFileWriter(std::string path, FileSystem& fs)
    : fs_(fs), path_(std::move(path)), temporary_(path_ + ".velmora-XXXXXX") {
    mode_ = 0666 & ~0022;
    struct stat st {};
    if (fs_.status(path_, st) == 0) mode_ = st.st_mode & 07777;
    fd_ = fs_.createUnique(temporary_);
    if (fd_ < 0) throw fileOperationError("Cannot create a temporary file beside", path_);
}

StreamedFileWriter::~StreamedFileWriter() {
    if (fd_ >= 0) fs_.close(fd_);
    if (!committed_) fs_.remove(temporary_);
}

void StreamedFileWriter::discard(const char* what) {
    const IoError error = fileOperationError(what, fileNameOf(path_));
    if (fd_ >= 0) fs_.close(fd_);
    fd_ = -1;
    throw error;  // the destructor removes the temporary file
}

void StreamedFileWriter::append(std::span<const std::uint8_t> bytes) {
    if (!writeAll(fd_, bytes, fs_)) discard("Cannot write");
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
