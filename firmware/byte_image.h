// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace velmora {

// The one bounds-checked reader and writer over an in-memory firmware image.
// Every access outside the image throws an IoError naming the image and the
// offset; nothing is clamped. Multi-byte values are little-endian.
class ByteImage {
  public:
    ByteImage() = default;
    ByteImage(std::string name, std::vector<std::uint8_t> bytes)
        : name_(std::move(name)), bytes_(std::move(bytes)) {}

    [[nodiscard]] const std::string& name() const { return name_; }
    [[nodiscard]] std::int64_t size() const { return static_cast<std::int64_t>(bytes_.size()); }
    [[nodiscard]] const std::vector<std::uint8_t>& bytes() const { return bytes_; }
    [[nodiscard]] std::vector<std::uint8_t>& mutableBytes() { return bytes_; }

    // True when n bytes starting at offset lie inside the image.
    [[nodiscard]] bool contains(std::int64_t offset, std::int64_t n) const {
        return offset >= 0 && n >= 0 && offset <= size() && n <= size() - offset;
    }

    [[nodiscard]] std::uint8_t u8(std::int64_t offset) const {
        require(offset, 1, "Read");
        return bytes_[static_cast<std::size_t>(offset)];
    }
    [[nodiscard]] std::uint16_t u16(std::int64_t offset) const {
        require(offset, 2, "Read");
        const std::uint8_t* p = bytes_.data() + offset;
        return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
    }
    [[nodiscard]] std::uint32_t u32(std::int64_t offset) const {
        require(offset, 4, "Read");
        const std::uint8_t* p = bytes_.data() + offset;
        return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
               (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
    }
    [[nodiscard]] std::span<const std::uint8_t> view(std::int64_t offset, std::int64_t n) const;

    void put8(std::int64_t offset, std::uint8_t value);
    void put16(std::int64_t offset, std::uint16_t value);
    void put32(std::int64_t offset, std::uint32_t value);
    void putBytes(std::int64_t offset, std::span<const std::uint8_t> data);

    // The first offset p in [from, last] with p % alignment == 0 where pattern
    // lies whole inside the image; -1 when there is none.
    [[nodiscard]] std::int64_t find(std::span<const std::uint8_t> pattern, std::int64_t from,
                                    std::int64_t last, int alignment = 1) const;
    // The last such offset in [from, last] (any alignment); -1 when there is none.
    [[nodiscard]] std::int64_t findLast(std::span<const std::uint8_t> pattern, std::int64_t from,
                                        std::int64_t last) const;

    // The first offset from, from + 4, ... up to last whose 32-bit word is not
    // `word`; -1 when they all are. Throws unless the words lie inside the image.
    [[nodiscard]] std::int64_t firstWordOtherThan(std::uint32_t word, std::int64_t from,
                                                  std::int64_t last) const;

    // Throws unless n bytes at offset lie inside the image.
    void require(std::int64_t offset, std::int64_t n, const char* verb) const {
        if (!contains(offset, n)) fail(offset, verb);
    }

  private:
    [[noreturn]] void fail(std::int64_t offset, const char* verb) const;

    std::string name_;
    std::vector<std::uint8_t> bytes_;
};

}  // namespace velmora
