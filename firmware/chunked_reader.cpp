// SPDX-License-Identifier: GPL-3.0-or-later
#include "firmware/chunked_reader.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>

#include "firmware/file_io.h"
#include "firmware/io_error.h"

namespace velmora {
namespace {

// Small enough to stay in the cache between reading a piece and using it.
constexpr std::size_t kPieceSize = 256 * 1024;

}  // namespace

ChunkedReader::ChunkedReader(const std::string& path) : path_(path) {
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) throw fileOperationError("Cannot open", fileNameOf(path), path);
    struct stat st {};
    if (::fstat(fd_, &st) != 0) {
        const IoError error = fileOperationError("Cannot open", fileNameOf(path), path);
        ::close(fd_);
        throw error;
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd_);
        throw IoError("Cannot open " + fileNameOf(path) + ": not a file", path, -1, "not a file");
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
        if (n < 0) throw fileOperationError("Cannot read", fileNameOf(path_), path_);
        if (n == 0) {  // the file shrank under us: keep what is there
            size_ = done_ + static_cast<std::int64_t>(got);
            break;
        }
        got += static_cast<std::size_t>(n);
    }
    done_ += static_cast<std::int64_t>(got);
    return {buffer_.data(), got};
}

void reserveForWholeFile(std::vector<std::uint8_t>& bytes, std::int64_t size) {
    bytes.reserve(static_cast<std::size_t>(size));
    constexpr std::uintptr_t kLargePage = std::uintptr_t{2} << 20;
    if (size < static_cast<std::int64_t>(4 * kLargePage)) return;
    // Only whole large pages inside the reserved room; a hint, so a refusal is fine.
    const auto start = reinterpret_cast<std::uintptr_t>(bytes.data());
    const std::uintptr_t from = (start + kLargePage - 1) & ~(kLargePage - 1);
    const std::uintptr_t to = (start + static_cast<std::uintptr_t>(size)) & ~(kLargePage - 1);
    if (to > from) (void)::madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
}

}  // namespace velmora
