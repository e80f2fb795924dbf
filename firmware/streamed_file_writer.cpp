#include "firmware/streamed_file_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "firmware/file_io.h"
#include "firmware/io_error.h"

namespace velmora {

StreamedFileWriter::StreamedFileWriter(std::string path)
    : path_(std::move(path)), temporary_(path_ + ".velmora-XXXXXX") {
    mode_ = 0666 & ~0022;
    struct stat st {};
    if (::stat(path_.c_str(), &st) == 0) mode_ = st.st_mode & 07777;
    fd_ = ::mkstemp(temporary_.data());
    if (fd_ < 0)
        throw IoError("Cannot create a temporary file beside " + path_ + ": " + systemCause());
}

StreamedFileWriter::~StreamedFileWriter() {
    if (fd_ >= 0) ::close(fd_);
    if (!committed_) ::unlink(temporary_.c_str());
}

void StreamedFileWriter::discard(const char* what) {
    const std::string cause = systemCause();
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    ::unlink(temporary_.c_str());
    throw IoError(std::string(what) + " " + fileNameOf(path_) + ": " + cause);
}

void StreamedFileWriter::append(std::span<const std::uint8_t> bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            discard("Cannot write");
        }
        done += static_cast<std::size_t>(n);
    }
}

void StreamedFileWriter::commit() {
    if (::fchmod(fd_, static_cast<mode_t>(mode_)) != 0) discard("Cannot set the mode of");
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) discard("Cannot write");
    if (::rename(temporary_.c_str(), path_.c_str()) != 0) discard("Cannot replace");
    committed_ = true;
}

}  // namespace velmora
