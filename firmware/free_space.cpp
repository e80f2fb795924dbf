#include "firmware/free_space.h"

namespace velmora {
namespace {

constexpr std::uint32_t kErased = 0xFFFFFFFF;
constexpr std::int64_t kUnscannedTail = 128;
constexpr std::int32_t kShortestReportedRun = 256;

// Reads the whole first 12 bytes of the row, as the row test always does.
bool isMarkerRow(const ByteImage& image, std::int64_t pos) {
    const std::uint32_t d0 = image.u32(pos);
    const std::uint32_t d1 = image.u32(pos + 4);
    const std::uint32_t d2 = image.u32(pos + 8);
    return d0 == kDataMarkerWords[0] && d1 == kDataMarkerWords[1] && d2 == kDataMarkerWords[2];
}

}  // namespace

FreeSpace findFreeSpace(const ByteImage& image, std::uint16_t firstWord) {
    FreeSpace result;
    if (firstWord != 0xA1FA) return result;

    const std::int64_t scanEnd = image.size() - kUnscannedTail;
    std::int64_t pos = 0;
    std::int64_t runLength = 0;   // the row walk's step, counting the word that ended a run
    std::int64_t lastErased = 0;  // erased bytes of the last run measured
    do {
        pos = (pos + runLength) & ~std::int64_t{15};
        runLength = 0;
        lastErased = 0;
        if (isMarkerRow(image, pos)) result.DataMarker = static_cast<std::uint32_t>(pos);
        if (image.u32(pos) != kErased) {
            pos += 16;
            continue;
        }
        const std::int64_t runStart = pos;
        runLength = 4;
        bool endedByData = false;
        do {
            const std::uint32_t word = image.u32(pos + runLength);
            runLength += 4;
            if (word != kErased) {
                endedByData = true;
                if (runLength % 16 != 4) pos += 16;
                break;
            }
        } while (pos + runLength < scanEnd);
        // The run is measured exactly: its erased words only, from its first row.
        lastErased = endedByData ? runLength - 4 : runLength;
        if (lastErased > result.FreeSpaceSize) {
            result.FreeSpaceSize = static_cast<std::int32_t>(lastErased);
            result.FreeSpaceAddr = static_cast<std::uint32_t>(runStart);
        }
    } while (pos + runLength < scanEnd);

    if (lastErased <= kShortestReportedRun) {
        result.FreeSpaceSize = 0;
        result.FreeSpaceAddr = 0;
    }
    return result;
}

}  // namespace velmora
