#include "firmware/chunked_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "firmware/file_io.h"
#include "firmware/io_error.h"

namespace velmora {
namespace {

// Small enough to stay in the cache between reading a piece and using it.
constexpr std::size_t kPieceSize = 256 * 1024;

}  // namespace

ChunkedReader::ChunkedReader(const std::string& path) : path_(path) {
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) throw IoError("Cannot open " + fileNameOf(path) + ": " + systemCause());
    struct stat st {};
    if (::fstat(fd_, &st) != 0) {
        const std::string cause = systemCause();
        ::close(fd_);
        throw IoError("Cannot open " + fileNameOf(path) + ": " + cause);
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd_);
        throw IoError("Cannot open " + fileNameOf(path) + ": not a file");
    }
    ::posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
    size_ = st.st_size;
    buffer_.resize(static_cast<std::size_t>(std::min<std::int64_t>(size_, kPieceSize)));
}

ChunkedReader::~ChunkedReader() {
    if (fd_ >= 0) ::close(fd_);
}

std::span<std::uint8_t> ChunkedReader::next() {
    const auto want = static_cast<std::size_t>(
        std::min<std::int64_t>(size_ - done_, static_cast<std::int64_t>(buffer_.size())));
    std::size_t got = 0;
    while (got < want) {
        const ssize_t n = ::read(fd_, buffer_.data() + got, want - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) throw IoError("Cannot read " + fileNameOf(path_) + ": " + systemCause());
        if (n == 0) {  // the file shrank under us: keep what is there
            size_ = done_ + static_cast<std::int64_t>(got);
            break;
        }
        got += static_cast<std::size_t>(n);
    }
    done_ += static_cast<std::int64_t>(got);
    return {buffer_.data(), got};
}

}  // namespace velmora
