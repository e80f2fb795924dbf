// SPDX-License-Identifier: GPL-3.0-or-later
#include "rewrite/mpeg2_placement.h"

#include <algorithm>

namespace velmora {
namespace {

constexpr std::int64_t kSector = 2048;

bool fragmented(const PictureEntry& entry) {
    return entry.GapLength > 0;
}

std::span<const std::uint8_t> gapHeader(const PictureEntry& entry) {
    return std::span<const std::uint8_t>(entry.GapBytes)
        .first(static_cast<std::size_t>(std::max(entry.GapLength, 0)));
}

}  // namespace

Mpeg2Layout planMpeg2(const PictureEntry& entry, std::int64_t streamLength, bool moved,
                      std::uint32_t freeSpaceAddr) {
    Mpeg2Layout layout;
    layout.FirstBlock = moved ? std::int64_t{freeSpaceAddr} + entry.GapLength : entry.Start;
    layout.DataEnd = layout.FirstBlock + streamLength;
    if (fragmented(entry) && streamLength > 0) {
        const std::int64_t blocks = (streamLength + entry.BlockLength - 1) / entry.BlockLength;
        layout.DataEnd += (blocks - 1) * entry.GapLength;
    }
    if (moved) {
        const std::int64_t used = layout.DataEnd - freeSpaceAddr;
        layout.TailEnd = freeSpaceAddr + (used + kSector - 1) / kSector * kSector;
    } else {
        layout.TailEnd = std::max<std::int64_t>(layout.DataEnd, entry.RoomEnd);
    }
    return layout;
}

Mpeg2Layout placeMpeg2(ByteImage& target, const PictureEntry& entry,
                       std::span<const std::uint8_t> stream, bool moved,
                       std::uint32_t freeSpaceAddr) {
    const auto length = static_cast<std::int64_t>(stream.size());
    const Mpeg2Layout layout = planMpeg2(entry, length, moved, freeSpaceAddr);
    if (moved) target.putBytes(freeSpaceAddr, gapHeader(entry));

    const std::int64_t blockLength = fragmented(entry) ? entry.BlockLength : length;
    std::int64_t position = layout.FirstBlock;
    for (std::int64_t copied = 0; copied < length;) {
        const std::int64_t n = std::min(blockLength, length - copied);
        target.putBytes(position, stream.subspan(static_cast<std::size_t>(copied),
                                                 static_cast<std::size_t>(n)));
        copied += n;
        position += n;
        if (copied < length) {
            target.putBytes(position, gapHeader(entry));
            position += entry.GapLength;
        }
    }
    writeMpeg2Filler(target, layout.DataEnd, layout.TailEnd);
    return layout;
}

void writeMpeg2Filler(ByteImage& target, std::int64_t from, std::int64_t to) {
    for (std::int64_t i = 0; from + i < to; ++i) {
        const std::uint8_t filler = i < 2 ? 0x00 : ((i - 2) % 2 == 0 ? 0x01 : 0xB9);
        target.put8(from + i, filler);
    }
}

}  // namespace velmora
