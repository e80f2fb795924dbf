// SPDX-License-Identifier: GPL-3.0-or-later
#include "catalogue/pointer_locator.h"

#include <gtest/gtest.h>

#include "tests/catalogue/synthetic_streams.h"

namespace velmora {
namespace {

using testing::Bytes;

Anchors withSegmentBase() {
    Anchors a;
    a.SegmentBase = 0x4000;
    return a;
}

TEST(PointerForms, RelativeAndAnchorRegionForms) {
    // Picture at 0x12340 behind a 0x20-byte gap header.
    EXPECT_EQ(relativePointer(0x12320, 0x12320, 0x4000), 0x41230020u);
    EXPECT_EQ(relativePointer(0x20010, 0x12320, 0x4000), 0x4123DD10u);
    Anchors a;
    a.AnchorPage = 0x310;
    a.AnchorLength = 0x2000;
    a.AnchorSegment = 0x1234;
    EXPECT_EQ(anchorPointer(0x31008, a), 0x12340008u);
    // An offset of 64 KiB or more spills into the segment half.
    EXPECT_EQ(relativePointer(0x22320, 0x12220, 0x4000), 0x41230120u);
}

// A picture start..end with its SectorTable at `table` and PointerRecord at `record`.
struct Layout {
    std::uint32_t start = 0x12340;
    std::uint32_t end = 0x12340 + 3000;
    std::int32_t gap = 0x20;
};

Bytes imageWithRecords(const Layout& l, std::uint32_t table, std::uint32_t record,
                       const Anchors& anchors, std::uint16_t blocks) {
    Bytes image = testing::fillerImage(0x40000);
    const std::uint32_t header = l.start - static_cast<std::uint32_t>(l.gap);
    testing::putLe32(image, table, relativePointer(header, header, anchors.SegmentBase));
    const std::uint32_t tablePointer = inAnchorRegion(anchors, table)
                                           ? anchorPointer(table, anchors)
                                           : relativePointer(table, header, anchors.SegmentBase);
    testing::putLe16(image, record, blocks);
    testing::putLe32(image, record + 2, tablePointer);
    return image;
}

TEST(LocatePointer, FindsTheRecordThroughTheSectorTable) {
    const Layout l;
    const Anchors a = withSegmentBase();
    const ByteImage image("f.bin", imageWithRecords(l, 0x20010, 0x20100, a, 2));
    EXPECT_EQ(LocatePointer(image, a, l.start, l.end, l.start - 0x20, l.gap), 0x20100u);
}

TEST(LocatePointer, TableInTheAnchorRegionUsesTheAnchorSegment) {
    const Layout l;
    Anchors a = withSegmentBase();
    a.AnchorPage = 0x310;
    a.AnchorLength = 0x2000;
    a.AnchorSegment = 0x1234;
    const ByteImage image("f.bin", imageWithRecords(l, 0x31008, 0x31100, a, 2));
    EXPECT_EQ(LocatePointer(image, a, l.start, l.end, l.start - 0x20, l.gap), 0x31100u);
}

TEST(LocatePointer, BlockCountIsSectorsPlusOne) {
    const Anchors a = withSegmentBase();
    for (const auto& [span, blocks] : {std::pair{2048u, 2}, std::pair{2047u, 1}}) {
        Layout l;
        l.end = l.start + span;
        const ByteImage image(
            "f.bin", imageWithRecords(l, 0x20010, 0x20100, a, static_cast<std::uint16_t>(blocks)));
        EXPECT_EQ(LocatePointer(image, a, l.start, l.end, l.start - 0x20, l.gap), 0x20100u);
        const ByteImage wrong("f.bin", imageWithRecords(l, 0x20010, 0x20100, a,
                                                        static_cast<std::uint16_t>(blocks + 1)));
        EXPECT_EQ(LocatePointer(wrong, a, l.start, l.end, l.start - 0x20, l.gap), 0u);
    }
}

TEST(LocatePointer, ACountFollowedByAnotherPointerIsSkippedWhole) {
    const Layout l;
    const Anchors a = withSegmentBase();
    Bytes bytes = imageWithRecords(l, 0x20010, 0x20104, a, 2);
    // A false count at 0x20100 makes the search go on at 0x20106, past the real record.
    testing::putLe16(bytes, 0x20100, 2);
    testing::putLe32(bytes, 0x20102, 0x11111111);
    const ByteImage image("f.bin", bytes);
    EXPECT_EQ(LocatePointer(image, a, l.start, l.end, l.start - 0x20, l.gap), 0u);
}

TEST(LocatePointer, StructuresBeforeThePictureAreNeverFound) {
    Layout l;
    l.start = 0x30000;
    l.end = 0x30000 + 3000;
    const Anchors a = withSegmentBase();
    const ByteImage image("f.bin", imageWithRecords(l, 0x20010, 0x20100, a, 2));
    EXPECT_EQ(LocatePointer(image, a, l.start, l.end, l.start - 0x20, l.gap), 0u);
}

TEST(LocatePointer, RecordAtTheVeryLastPlaceLookedAtIsFound) {
    const Layout l;
    const Anchors a = withSegmentBase();
    const std::uint32_t last = 0x40000 - 16;
    const ByteImage image("f.bin", imageWithRecords(l, 0x20010, last, a, 2));
    EXPECT_EQ(LocatePointer(image, a, l.start, l.end, l.start - 0x20, l.gap), last);
}

TEST(LocatePointer, RetryRelativeToAnotherPageFindsPointersCountedFromIt) {
    // The second picture's table points at its header relative to the first
    // picture's page, as firmwares do for pictures sharing a 64 KiB window.
    const Anchors a = withSegmentBase();
    const std::uint32_t firstHeader = 0x10000;
    Layout second;
    second.start = 0x12340;
    second.end = second.start + 3000;
    Bytes bytes = testing::fillerImage(0x40000);
    const std::uint32_t header = second.start - 0x20;
    testing::putLe32(bytes, 0x20010, relativePointer(header, firstHeader, a.SegmentBase));
    testing::putLe16(bytes, 0x20100, 2);
    testing::putLe32(bytes, 0x20102, relativePointer(0x20010, firstHeader, a.SegmentBase));
    const ByteImage image("f.bin", bytes);
    EXPECT_EQ(LocatePointer(image, a, second.start, second.end, header, 0x20), 0u);
    EXPECT_EQ(LocatePointer(image, a, second.start, second.end, firstHeader, 0x20), 0x20100u);
}

// The SectorTable of a picture whose first header is at `header`: `entries`
// pointers to consecutive sectors.
void putSectorTable(Bytes& image, std::uint32_t table, std::uint32_t header, int entries,
                    std::uint32_t segmentBase) {
    for (int k = 0; k < entries; ++k) {
        const std::uint32_t sector = header + static_cast<std::uint32_t>(k) * 2048;
        testing::putLe32(image, table + 4 * static_cast<std::uint32_t>(k),
                         relativePointer(sector, sector, segmentBase));
    }
}

TEST(LocatePointer, ARecordWithItsOwnCountIsFoundWhenTheTableBearsItOut) {
    // After a replacement in place the record keeps the old picture's count (4
    // sectors), while the new stream of 3000 bytes would give 2.
    const Layout l;
    const Anchors a = withSegmentBase();
    const std::uint32_t header = l.start - 0x20;
    Bytes bytes = imageWithRecords(l, 0x20010, 0x20100, a, 4);
    putSectorTable(bytes, 0x20010, header, 4, a.SegmentBase);
    EXPECT_EQ(LocatePointer(ByteImage("f.bin", bytes), a, l.start, l.end, header, l.gap), 0x20100u);
    // A count the table does not bear out is no record of this picture.
    testing::putLe16(bytes, 0x20100, 5);
    EXPECT_EQ(LocatePointer(ByteImage("f.bin", bytes), a, l.start, l.end, header, l.gap), 0u);
}

TEST(LocatePointer, AMovedPictureIsFoundThroughItsRecordBeforeIt) {
    // The moved picture lies in the free area, behind the record that was
    // rewritten for it; its table follows it and may be pointed at naturally.
    Layout l;
    l.start = 0x30020;
    l.end = l.start + 5000;
    const Anchors a = withSegmentBase();
    const std::uint32_t header = l.start - 0x20;
    const std::uint32_t table = header + 3 * 2048;
    Bytes bytes = testing::fillerImage(0x40000);
    putSectorTable(bytes, table, header, 3, a.SegmentBase);
    testing::putLe16(bytes, 0x8000, 3);
    testing::putLe32(bytes, 0x8002, relativePointer(table, table, a.SegmentBase));
    EXPECT_EQ(LocatePointer(ByteImage("f.bin", bytes), a, l.start, l.end, header, l.gap), 0x8000u);
    // The old copy's table, which no record leads to, stays unpointed.
    putSectorTable(bytes, 0x20010, 0x12320, 2, a.SegmentBase);
    EXPECT_EQ(LocatePointer(ByteImage("f.bin", bytes), a, 0x12340, 0x12340 + 3000, 0x12320, 0x20),
              0u);
}

}  // namespace
}  // namespace velmora
