#include "firmware/byte_image.h"

#include <algorithm>

#include "firmware/io_error.h"

namespace velmora {

void ByteImage::require(std::int64_t offset, std::int64_t n, const char* verb) const {
    if (contains(offset, n)) return;
    const char* where = offset < 0 ? " before the start of " : " past the end of ";
    throw IoError(std::string(verb) + where + name_ + " at offset " + describeOffset(offset));
}

std::uint8_t ByteImage::u8(std::int64_t offset) const {
    require(offset, 1, "Read");
    return bytes_[static_cast<std::size_t>(offset)];
}

std::uint16_t ByteImage::u16(std::int64_t offset) const {
    require(offset, 2, "Read");
    const auto* p = bytes_.data() + offset;
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t ByteImage::u32(std::int64_t offset) const {
    require(offset, 4, "Read");
    const auto* p = bytes_.data() + offset;
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
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

}  // namespace velmora
