// SPDX-License-Identifier: GPL-3.0-or-later
#include "firmware/chunked_reader.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <utility>

#include "firmware/file_descriptor.h"
#include "firmware/file_io.h"
#include "firmware/io_error.h"

namespace velmora {
namespace {

// Small enough to stay in the cache between reading a piece and using it.
constexpr std::size_t kPieceSize = 256 * 1024;

}  // namespace

ChunkedReader::ChunkedReader(const std::string& path) : path_(path) {
    RegularFile file = openRegularFile(path);
    size_ = file.size;
    fd_ = std::move(file.fd);
    ::posix_fadvise(fd_.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
    buffer_.resize(static_cast<std::size_t>(std::min<std::int64_t>(size_, kPieceSize)));
}

std::span<std::uint8_t> ChunkedReader::next() {
    const auto want = static_cast<std::size_t>(
        std::min<std::int64_t>(size_ - done_, static_cast<std::int64_t>(buffer_.size())));
    std::size_t got = 0;
    while (got < want) {
        const ssize_t n = ::read(fd_.get(), buffer_.data() + got, want - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) throw fileOperationError("Cannot read", fileNameOf(path_));
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
