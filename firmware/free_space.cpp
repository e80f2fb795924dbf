// SPDX-License-Identifier: GPL-3.0-or-later
#include "firmware/free_space.h"

#include <cstring>
#include <span>

namespace velmora {
namespace {

constexpr std::uint32_t kErased = 0xFFFFFFFF;
constexpr std::int64_t kUnscannedTail = 128;
constexpr std::int32_t kShortestReportedRun = 256;

// The row test reads the row's first 12 bytes: a file too short for them fails.
bool isMarkerRow(const ByteImage& image, std::int64_t pos) {
    image.require(pos, 12, "Read");
    return image.u32(pos) == kDataMarkerWords[0] && image.u32(pos + 4) == kDataMarkerWords[1] &&
           image.u32(pos + 8) == kDataMarkerWords[2];
}

// The run's words are read from pos + 4 on until one is not erased or the
// scan's end is reached; returns the run length counting the word read last.
std::int64_t measureRun(const ByteImage& image, std::int64_t pos, std::int64_t scanEnd,
                        bool& endedByData) {
    std::int64_t lastRead = pos + 4;  // the first word at or past scanEnd - 4 ends the walk
    if (scanEnd - 4 > lastRead) lastRead += (scanEnd - 4 - lastRead + 3) / 4 * 4;
    const std::int64_t data = image.firstWordOtherThan(kErased, pos + 4, lastRead);
    endedByData = data >= 0;
    return (endedByData ? data : lastRead) - pos + 4;
}

// From the row at pos, the first row that could start a run or be the marker
// (its first word all ones or zero), passing only rows that the walk would
// step over one by one before another row is looked at below scanEnd.
std::int64_t nextRowWorthALook(const ByteImage& image, std::int64_t pos, std::int64_t scanEnd) {
    if (pos + 16 >= scanEnd) return pos;
    const std::span<const std::uint8_t> rows = image.view(pos, scanEnd - pos);
    std::size_t at = 0;
    while (static_cast<std::int64_t>(at) + 16 < scanEnd - pos) {
        std::uint32_t first;
        std::memcpy(&first, rows.data() + at, 4);
        if (first == kErased || first == 0) break;
        at += 16;
    }
    return pos + static_cast<std::int64_t>(at);
}

}  // namespace

FlashRows findFreeSpace(const ByteImage& image, std::uint16_t firstWord) {
    FlashRows result;
    if (firstWord != 0xA1FA) return result;

    const std::int64_t scanEnd = image.size() - kUnscannedTail;
    std::int64_t pos = 0;
    std::int64_t runLength = 0;   // the row walk's step, counting the word that ended a run
    std::int64_t lastErased = 0;  // erased bytes of the last run measured
    do {
        pos = (pos + runLength) & ~std::int64_t{15};
        runLength = 0;
        lastErased = 0;
        pos = nextRowWorthALook(image, pos, scanEnd);
        if (isMarkerRow(image, pos)) result.DataMarker = static_cast<std::uint32_t>(pos);
        if (image.u32(pos) != kErased) {
            pos += 16;
            continue;
        }
        const std::int64_t runStart = pos;
        bool endedByData = false;
        runLength = measureRun(image, pos, scanEnd, endedByData);
        if (endedByData && runLength % 16 != 4) pos += 16;
        // The run is measured exactly: its erased words only, from its first row.
        lastErased = endedByData ? runLength - 4 : runLength;
        if (lastErased > result.free.FreeSpaceSize) {
            result.free.FreeSpaceSize = static_cast<std::int32_t>(lastErased);
            result.free.FreeSpaceAddr = static_cast<std::uint32_t>(runStart);
        }
    } while (pos + runLength < scanEnd);

    if (lastErased <= kShortestReportedRun) {
        result.free.FreeSpaceSize = 0;
        result.free.FreeSpaceAddr = 0;
    }
    return result;
}

}  // namespace velmora
