// SPDX-License-Identifier: GPL-3.0-or-later
#include "rewrite/structure.h"

#include "person/hex_text.h"
#include "rewrite/replace_texts.h"

namespace velmora {
namespace {

constexpr std::int64_t kSector = 2048;
constexpr std::uint32_t kSegmentSpan = 0x10000;

std::uint16_t segmentOf(std::uint32_t address, std::uint32_t segmentBase) {
    return static_cast<std::uint16_t>((address >> 8) + segmentBase);
}

}  // namespace

std::uint32_t flashPointer(std::uint16_t segment, std::uint32_t offset) {
    return (std::uint32_t{segment} << 16) | (offset & 0xFFFF);
}

std::uint32_t naturalFlashPointer(std::uint32_t address, std::uint32_t segmentBase) {
    return flashPointer(segmentOf(address, segmentBase), address & 0xFF);
}

std::array<std::uint8_t, 5> sizeRecord(std::uint32_t streamLength) {
    const std::uint32_t n = (8 + streamLength + 1) & ~std::uint32_t{1};
    const std::uint32_t rest = n % 2048;
    return {static_cast<std::uint8_t>(n / 2048 + 1), 0x00, 0x00, static_cast<std::uint8_t>(rest),
            static_cast<std::uint8_t>(rest >> 8)};
}

std::int64_t sectorCount(std::int64_t a, std::int64_t t) {
    return (t - a) / kSector;
}

FreeSpace recreateMpeg2Structure(ByteImage& target, const PictureEntry& entry,
                                 std::uint32_t segmentBase, FreeSpace before,
                                 std::int64_t tailEnd) {
    const std::uint32_t a = before.FreeSpaceAddr;
    const auto t = static_cast<std::uint32_t>(tailEnd);
    const std::int64_t n = sectorCount(a, t);

    const std::uint16_t firstSegment = segmentOf(a, segmentBase);
    std::uint16_t segment = firstSegment;
    std::uint32_t offset = a & 0xFF;
    for (std::int64_t k = 0; k < n; ++k) {
        target.put32(t + 4 * k, flashPointer(segment, offset));
        offset += static_cast<std::uint32_t>(kSector);
        if (offset >= kSegmentSpan) {
            segment = static_cast<std::uint16_t>(segment + 0x100);
            offset -= kSegmentSpan;
        }
    }

    const std::int64_t tableEnd = std::int64_t{t} + 4 * n;
    const bool tableNearPicture = (std::int64_t{t} - a) + 4 * n <= std::int64_t{kSegmentSpan};
    const std::uint32_t tablePointer =
        tableNearPicture ? flashPointer(firstSegment, t - (a & ~std::uint32_t{0xFF}))
                         : naturalFlashPointer(t, segmentBase);
    target.put16(entry.PointerAddr, static_cast<std::uint16_t>(n));
    target.put32(std::int64_t{entry.PointerAddr} + 2, tablePointer);

    FreeSpace after;
    after.FreeSpaceAddr = static_cast<std::uint32_t>((tableEnd & ~std::int64_t{0xF}) + 16);
    after.FreeSpaceSize = before.FreeSpaceSize - static_cast<std::int32_t>(after.FreeSpaceAddr - a);
    return after;
}

FreeSpace recreateMpeg4Structure(ByteImage& target, Dialogs& ui, const PictureEntry& entry,
                                 std::uint32_t segmentBase, bool moved, FreeSpace before,
                                 std::uint32_t streamLength, std::uint32_t nextFree) {
    ui.log(replace_text::kRecreatingLog);
    // Without a known pointer nothing says where the size record lies, so
    // nothing is written at all (RoomEnd is then the chunk's own end).
    if (entry.PointerAddr == 0) return before;
    target.putBytes(entry.RoomEnd, sizeRecord(streamLength));

    FreeSpace after = before;
    std::uint32_t pointer = naturalFlashPointer(entry.Start, segmentBase);
    if (moved) {
        pointer = naturalFlashPointer(before.FreeSpaceAddr, segmentBase);
        after.FreeSpaceSize =
            before.FreeSpaceSize - static_cast<std::int32_t>(nextFree - before.FreeSpaceAddr);
        after.FreeSpaceAddr = nextFree;
        ui.log(replace_text::kNewFreeSpaceLog + Hex8(nextFree));
    }
    target.put32(entry.PointerAddr, pointer);
    return after;
}

}  // namespace velmora
