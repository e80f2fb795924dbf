// SPDX-License-Identifier: GPL-3.0-or-later
#include "firmware/byte_image.h"

#include <algorithm>
#include <cstring>

#include "firmware/io_error.h"

namespace velmora {

void ByteImage::fail(std::int64_t offset, const char* verb) const {
    const char* where = offset < 0 ? " before the start of " : " past the end of ";
    throw IoError(std::string(verb) + where + name_ + " at offset " + describeOffset(offset));
}

std::span<const std::uint8_t> ByteImage::view(std::int64_t offset, std::int64_t n) const {
    require(offset, n, "Read");
    return {bytes_.data() + offset, static_cast<std::size_t>(n)};
}

void ByteImage::put8(std::int64_t offset, std::uint8_t value) {
    require(offset, 1, "Write");
    bytes_[static_cast<std::size_t>(offset)] = value;
}

void ByteImage::put16(std::int64_t offset, std::uint16_t value) {
    require(offset, 2, "Write");
    bytes_[static_cast<std::size_t>(offset)] = static_cast<std::uint8_t>(value);
    bytes_[static_cast<std::size_t>(offset) + 1] = static_cast<std::uint8_t>(value >> 8);
}

void ByteImage::put32(std::int64_t offset, std::uint32_t value) {
    require(offset, 4, "Write");
    for (int i = 0; i < 4; ++i)
        bytes_[static_cast<std::size_t>(offset) + static_cast<std::size_t>(i)] =
            static_cast<std::uint8_t>(value >> (8 * i));
}

void ByteImage::putBytes(std::int64_t offset, std::span<const std::uint8_t> data) {
    require(offset, static_cast<std::int64_t>(data.size()), "Write");
    std::copy(data.begin(), data.end(), bytes_.begin() + offset);
}

std::int64_t ByteImage::find(std::span<const std::uint8_t> pattern, std::int64_t from,
                             std::int64_t last, int alignment) const {
    const auto n = static_cast<std::int64_t>(pattern.size());
    if (n == 0 || alignment < 1) return -1;
    from = std::max<std::int64_t>(from, 0);
    last = std::min(last, size() - n);
    if (from % alignment != 0) from += alignment - from % alignment;
    // memchr on the pattern's last byte: start codes end in their rarest byte.
    const std::uint8_t* base = bytes_.data();
    const std::uint8_t lastByte = pattern[pattern.size() - 1];
    for (std::int64_t p = from; p <= last;) {
        const void* hit =
            std::memchr(base + p + n - 1, lastByte, static_cast<std::size_t>(last - p + 1));
        if (hit == nullptr) return -1;
        p = static_cast<const std::uint8_t*>(hit) - base - (n - 1);
        if (p % alignment == 0 && std::memcmp(base + p, pattern.data(), pattern.size()) == 0)
            return p;
        ++p;
    }
    return -1;
}

std::int64_t ByteImage::firstWordOtherThan(std::uint32_t word, std::int64_t from,
                                           std::int64_t last) const {
    if (from > last) return -1;
    require(from, last - from + 4, "Read");
    std::uint8_t pattern[4];
    for (int i = 0; i < 4; ++i) pattern[i] = static_cast<std::uint8_t>(word >> (8 * i));
    for (std::int64_t p = from; p <= last; p += 4) {
        if (std::memcmp(bytes_.data() + p, pattern, 4) != 0) return p;
    }
    return -1;
}

std::int64_t ByteImage::findLast(std::span<const std::uint8_t> pattern, std::int64_t from,
                                 std::int64_t last) const {
    const auto n = static_cast<std::int64_t>(pattern.size());
    if (n == 0) return -1;
    from = std::max<std::int64_t>(from, 0);
    last = std::min(last, size() - n);
    for (std::int64_t p = last; p >= from; --p) {
        if (bytes_[static_cast<std::size_t>(p)] == pattern[0] &&
            std::memcmp(bytes_.data() + p, pattern.data(), pattern.size()) == 0)
            return p;
    }
    return -1;
}

}  // namespace velmora
