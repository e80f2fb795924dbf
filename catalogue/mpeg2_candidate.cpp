// SPDX-License-Identifier: GPL-3.0-or-later
#include <cstdint>

#include "catalogue/mpeg2_candidate.h"

namespace velmora {
namespace {

constexpr std::int64_t kLongestGapHeader = 64;
constexpr std::int64_t kShortestGapHeader = 5;

// The first zero word in the 64 bytes before the stream marks its first gap header.
std::int64_t findGapHeader(const ByteImage& image, std::int64_t start) {
    for (std::int64_t p = start - kLongestGapHeader; p <= start - kShortestGapHeader; ++p) {
        if (p < 0) continue;
        if (image.u32(p) == 0) return p;
    }
    return -1;
}

// Eight zero bytes (four zero words from start) mark the first gap header after
// the first block; 0 when none lies before the end.
std::int32_t measureBlockLength(const ByteImage& image, std::int64_t start, std::int64_t end) {
    int zeroWords = 0;
    for (std::int64_t p = start; end > p && p + 2 <= image.size(); p += 2) {
        if (image.u16(p) != 0) {
            zeroWords = 0;
            continue;
        }
        if (++zeroWords == 4) return static_cast<std::int32_t>(p + 2 - start - 8);
    }
    return 0;
}

}  // namespace

Candidate readMpeg2Stream(const ByteImage& image, std::int64_t q, EndCodeMemo& memo) {
    Candidate c;
    if (!image.contains(q + 4, 4)) {
        c.outcome = CandidateOutcome::Endless;  // no room for a header, let alone an end code
        return c;
    }
    PictureEntry& e = c.entry;
    e.Start = static_cast<std::uint32_t>(q);
    const std::uint8_t b1 = image.u8(q + 4);
    const std::uint8_t b2 = image.u8(q + 5);
    const std::uint8_t b3 = image.u8(q + 6);
    const std::uint8_t b4 = image.u8(q + 7);
    e.Width = b1 * 16 + (b2 >> 4);
    e.Height = (b2 & 0x0F) * 256 + b3;
    e.FrameRate = b4 == 0x24 ? kFrameRateNtsc : kFrameRatePal;

    const std::int64_t end = findEndCode(image, q + 8, memo);
    if (end < 0) {
        c.outcome = CandidateOutcome::Endless;
        return c;
    }
    e.End = static_cast<std::uint32_t>(end);
    e.Kind = kKindMpeg2;
    c.outcome = CandidateOutcome::Found;
    return c;
}

Mpeg2Room completeMpeg2Picture(const ByteImage& image, PictureEntry& e) {
    const std::int64_t start = e.Start;
    const std::int64_t end = e.End;
    const std::int64_t size = image.size();

    const std::int64_t header = findGapHeader(image, start);
    if (header >= 0) {
        e.GapLength = static_cast<std::int32_t>(start - header);
        const auto bytes = image.view(header, e.GapLength);
        std::copy(bytes.begin(), bytes.end(), e.GapBytes.begin());
        e.BlockLength = measureBlockLength(image, start, end);
    } else {
        e.GapLength = 0;
        e.BlockLength = static_cast<std::int32_t>(end - start);
    }
    const std::int64_t span = end - start;
    const std::int64_t period = e.BlockLength + e.GapLength;
    e.DataSize = static_cast<std::int32_t>(span - span / period * e.GapLength);

    // The room: zero bytes, then 01 B9 pairs; RoomEnd is the last byte looked at.
    Mpeg2Room room;
    std::int64_t p = end;
    while (p < size && image.u8(p) == 0x00) ++p;
    if (p == size) {
        room.roomReachedEnd = true;
        e.RoomEnd = static_cast<std::uint32_t>(size);
    } else {
        while (true) {
            if (image.u8(p) != 0x01 || p + 1 == size) break;
            ++p;
            if (image.u8(p) != 0xB9 || p + 1 == size) break;
            ++p;
        }
        e.RoomEnd = static_cast<std::uint32_t>(p);
        room.roomReachedEnd = p == size - 1;
    }

    e.Spare = 0;
    const std::int64_t roomEnd = e.RoomEnd;
    if (!room.roomReachedEnd && roomEnd > end + 1) {
        const std::int64_t filler = roomEnd - end;
        const std::int64_t lastBlock = e.DataSize - span / period * e.BlockLength;
        e.Spare =
            static_cast<std::int32_t>(filler - (lastBlock + filler) / period * e.GapLength - 2);
    }
    return room;
}

}  // namespace velmora
