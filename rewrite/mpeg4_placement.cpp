// SPDX-License-Identifier: GPL-3.0-or-later
#include "rewrite/mpeg4_placement.h"

#include <algorithm>
#include <array>

namespace velmora {
namespace {

constexpr std::int64_t kChunkHeader = 8;

std::int64_t dataLength(const PictureEntry& entry, std::int64_t streamLength) {
    return entry.WordSwapped ? (streamLength + 1) / 2 * 2 : streamLength;
}

std::array<std::uint8_t, 4> lengthField(std::uint32_t length, bool wordSwapped) {
    const auto byte = [&](int i) { return static_cast<std::uint8_t>(length >> (8 * i)); };
    if (wordSwapped) return {byte(1), byte(0), byte(3), byte(2)};
    return {byte(0), byte(1), byte(2), byte(3)};
}

void writeSwappedPairs(ByteImage& target, std::int64_t at, std::span<const std::uint8_t> stream) {
    for (std::size_t i = 0; i < stream.size(); i += 2) {
        const std::uint8_t second = i + 1 < stream.size() ? stream[i + 1] : 0x00;
        target.put8(at + static_cast<std::int64_t>(i), second);
        target.put8(at + static_cast<std::int64_t>(i) + 1, stream[i]);
    }
}

}  // namespace

Mpeg4Layout planMpeg4(const PictureEntry& entry, std::int64_t streamLength, bool moved,
                      std::uint32_t freeSpaceAddr) {
    Mpeg4Layout layout;
    layout.ChunkStart = moved ? std::int64_t{freeSpaceAddr} : std::int64_t{entry.Start};
    layout.StreamLength = static_cast<std::uint32_t>(streamLength);
    layout.DataEnd = layout.ChunkStart + kChunkHeader + dataLength(entry, streamLength);
    layout.WrittenEnd =
        moved ? layout.DataEnd : std::max<std::int64_t>(layout.DataEnd, entry.RoomEnd);
    layout.NextFree = static_cast<std::uint32_t>((layout.DataEnd & ~std::int64_t{0xF}) + 16);
    return layout;
}

Mpeg4Layout placeMpeg4(ByteImage& target, const PictureEntry& entry,
                       std::span<const std::uint8_t> stream, bool moved,
                       std::uint32_t freeSpaceAddr) {
    const Mpeg4Layout layout =
        planMpeg4(entry, static_cast<std::int64_t>(stream.size()), moved, freeSpaceAddr);
    if (moved) {
        const std::array<std::uint8_t, 4> tag{
            '0', '0', static_cast<std::uint8_t>(entry.WordSwapped ? 'c' : 'd'),
            static_cast<std::uint8_t>(entry.WordSwapped ? 'd' : 'c')};
        target.putBytes(layout.ChunkStart, tag);
    }
    target.putBytes(layout.ChunkStart + 4, lengthField(layout.StreamLength, entry.WordSwapped));
    const std::int64_t data = layout.ChunkStart + kChunkHeader;
    if (entry.WordSwapped)
        writeSwappedPairs(target, data, stream);
    else
        target.putBytes(data, stream);
    for (std::int64_t p = layout.DataEnd; p < layout.WrittenEnd; ++p) target.put8(p, 0x00);
    return layout;
}

}  // namespace velmora
