// SPDX-License-Identifier: GPL-3.0-or-later
#include "catalogue/pointer_locator.h"

#include <array>
#include <span>

namespace velmora {
namespace {

std::array<std::uint8_t, 4> le32(std::uint32_t v) {
    return {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
            static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
}

constexpr std::int64_t kSector = 2048;

// The flash address a FlashPointer in the natural form stands for.
std::int64_t naturalAddress(std::uint32_t pointer, std::uint32_t segmentBase) {
    return (std::int64_t{pointer >> 16} - std::int64_t{segmentBase}) * 256 + (pointer & 0xFFFF);
}

// How many entries of the SectorTable at `table`, from its first, lead to
// consecutive sectors from the first header.
std::int64_t consecutiveSectors(const ByteImage& image, std::int64_t table, std::int64_t header,
                                std::uint32_t segmentBase, std::int64_t atMost) {
    std::int64_t k = 0;
    while (k < atMost && image.contains(table + 4 * k, 4) &&
           naturalAddress(image.u32(table + 4 * k), segmentBase) == header + k * kSector)
        ++k;
    return k;
}

// A record that Velmora wrote itself keeps the count of the sectors it wrote,
// which the length of a new stream no longer gives; and a moved picture lies
// behind its record. So the whole file is looked at, for a record whose pointer
// leads to the table found and whose count that many table entries bear out.
std::uint32_t recordLeadingTo(const ByteImage& image, std::uint32_t table,
                              std::uint32_t tablePointer, std::uint32_t header,
                              std::uint32_t segmentBase) {
    const std::int64_t lastRecordOffset = image.size() - 16;
    const std::uint32_t natural = relativePointer(table, table, segmentBase);
    std::uint32_t found = 0;
    for (const std::uint32_t pointer : {tablePointer, natural}) {
        for (std::int64_t p = 0;;) {
            p = image.find(le32(pointer), p + 2, lastRecordOffset + 2, 2);
            if (p < 0) break;
            const std::int64_t record = p - 2;
            const std::uint16_t count = image.u16(record);
            if (count > 0 &&
                consecutiveSectors(image, table, header, segmentBase, count) == count &&
                (found == 0 || record < found)) {
                found = static_cast<std::uint32_t>(record);
                break;
            }
        }
        if (pointer == natural) break;
    }
    return found;
}

}  // namespace

std::uint32_t relativePointer(std::uint32_t e, std::uint32_t base, std::uint32_t segmentBase) {
    return ((((e >> 8) - (base >> 8)) << 8) | (e & 0xFF)) | (((base >> 8) + segmentBase) << 16);
}

std::uint32_t anchorPointer(std::uint32_t e, const Anchors& anchors) {
    return ((((e >> 8) - anchors.AnchorPage) << 8) | (e & 0xFF)) |
           (std::uint32_t{anchors.AnchorSegment} << 16);
}

std::uint32_t LocatePointer(const ByteImage& image, const Anchors& anchors, std::uint32_t start,
                            std::uint32_t end, std::uint32_t base, std::int32_t gap) {
    const std::uint32_t header = start - static_cast<std::uint32_t>(gap);
    const std::uint32_t headerPointer = relativePointer(header, base, anchors.SegmentBase);

    // The SectorTable: its first entry points at the first gap header.
    const std::int64_t lastTableOffset = (image.size() - 10) & ~std::int64_t{1};
    const std::int64_t table =
        image.find(le32(headerPointer), end & ~std::uint32_t{1}, lastTableOffset, 2);
    if (table < 0) return 0;
    const auto tableAt = static_cast<std::uint32_t>(table);
    const std::uint32_t tablePointer = inAnchorRegion(anchors, tableAt)
                                           ? anchorPointer(tableAt, anchors)
                                           : relativePointer(tableAt, base, anchors.SegmentBase);

    // The PointerRecord: the block count, then the pointer to the table.
    const auto blocks = static_cast<std::uint16_t>((end - start) / 2048 + 1);
    // A count followed by another pointer is passed over whole (6 bytes on).
    const std::int64_t lastRecordOffset = image.size() - 16;
    const std::array<std::uint8_t, 2> count{static_cast<std::uint8_t>(blocks),
                                            static_cast<std::uint8_t>(blocks >> 8)};
    for (std::int64_t p = end & ~std::uint32_t{3};;) {
        p = image.find(count, p, lastRecordOffset, 2);
        if (p < 0)
            return recordLeadingTo(image, tableAt, tablePointer, header, anchors.SegmentBase);
        if (image.u32(p + 2) == tablePointer) return static_cast<std::uint32_t>(p);
        p += 6;
    }
}

}  // namespace velmora
