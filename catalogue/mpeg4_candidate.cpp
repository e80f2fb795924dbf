// SPDX-License-Identifier: GPL-3.0-or-later
#include <algorithm>
#include <array>
#include <cstring>

#include "catalogue/mpeg4_candidate.h"
#include "catalogue/pointer_locator.h"
#include "catalogue/vol_header.h"

namespace velmora {
namespace {

constexpr int kLayerCodeUnits = 2;         // the 4 bytes of the layer start code
constexpr int kMostHeaderUnitsAfter = 63;  // 130 header bytes at most
constexpr std::uint8_t kVopStartCode[4] = {0x00, 0x00, 0x01, 0xB6};

// The video object start code 00 00 01 00 (00 00 00 01 in a word-swapped
// chunk) from `from` on; -1 when the file ends first.
std::int64_t findVideoObjectCode(const ByteImage& image, std::int64_t from, bool wordSwapped,
                                 VideoObjectMemo& memo) {
    static constexpr std::uint8_t kCode[4] = {0x00, 0x00, 0x01, 0x00};
    static constexpr std::uint8_t kSwappedCode[4] = {0x00, 0x00, 0x00, 0x01};
    const int order = wordSwapped ? 1 : 0;
    const std::int64_t earlierFrom = memo.from[order];
    const std::int64_t earlierFound = memo.found[order];
    // No code lies between the earlier search's start and what it found.
    if (earlierFrom >= 0 && from >= earlierFrom && (earlierFound < 0 || from <= earlierFound))
        return earlierFound;
    const std::int64_t found = image.find(wordSwapped ? kSwappedCode : kCode, from, image.size());
    memo.from[order] = from;
    memo.found[order] = found;
    return found;
}

std::array<std::uint8_t, 4> le32(std::uint32_t v) {
    return {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
            static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
}

struct HeaderBuffer {
    std::array<std::uint8_t, 2 * (kLayerCodeUnits + kMostHeaderUnitsAfter)> bytes{};
    int length = 0;
    [[nodiscard]] bool endsWithVopCode() const {
        return length >= 4 && std::memcmp(bytes.data() + length - 4, kVopStartCode, 4) == 0;
    }
};

enum class HeaderResult { Complete, NoVopCode, FileEnded };

// The header in its true byte order, 2 bytes at a time, up to and including the VOP start code.
HeaderResult readHeader(const ByteImage& image, std::int64_t from, bool wordSwapped,
                        HeaderBuffer& header) {
    for (int unit = 0; unit < kLayerCodeUnits + kMostHeaderUnitsAfter; ++unit) {
        const std::int64_t at = from + 2 * unit;
        if (!image.contains(at, 2)) return HeaderResult::FileEnded;
        const std::uint8_t first = image.u8(at);
        const std::uint8_t second = image.u8(at + 1);
        header.bytes[static_cast<std::size_t>(header.length++)] = wordSwapped ? second : first;
        header.bytes[static_cast<std::size_t>(header.length++)] = wordSwapped ? first : second;
        if (unit >= kLayerCodeUnits && header.endsWithVopCode()) return HeaderResult::Complete;
    }
    return HeaderResult::NoVopCode;
}

}  // namespace

Candidate readMpeg4Chunk(const ByteImage& image, std::int64_t q) {
    VideoObjectMemo memo;
    return readMpeg4Chunk(image, q, memo);
}

Candidate readMpeg4Chunk(const ByteImage& image, std::int64_t q, VideoObjectMemo& memo) {
    Candidate c;
    if (!image.contains(q, 8)) return c;
    const bool swapped = image.u32(q) == kChunkTagCd;
    if (image.u8(q + (swapped ? 6 : 7)) != 0) return c;  // no chunk has a length that large

    PictureEntry& e = c.entry;
    e.Start = static_cast<std::uint32_t>(q);
    e.WordSwapped = swapped;
    e.Kind = kKindMpeg4;
    const std::uint32_t c0 = image.u8(q + 4), c1 = image.u8(q + 5), c2 = image.u8(q + 6),
                        c3 = image.u8(q + 7);
    const std::uint32_t length = swapped ? c1 + (c0 << 8) + (c3 << 16) + (c2 << 24)
                                         : c0 + (c1 << 8) + (c2 << 16) + (c3 << 24);
    std::int64_t end = q + 8 + length;
    if (end % 2 != 0) ++end;

    const std::int64_t code = findVideoObjectCode(image, q + 8, swapped, memo);
    if (code < 0) return c;
    HeaderBuffer header;
    switch (readHeader(image, code + 4, swapped, header)) {
        case HeaderResult::FileEnded:
            return c;
        case HeaderResult::NoVopCode:
            c.outcome = CandidateOutcome::EndOfScan;
            return c;
        case HeaderResult::Complete:
            break;
    }
    e.End = static_cast<std::uint32_t>(end);
    e.HeaderLength = header.length;
    e.DataSize = static_cast<std::int32_t>(end - q - header.length - 8);
    const VolSize size =
        parseVolSize(std::span<const std::uint8_t>(header.bytes.data(), header.bytes.size()));
    e.Width = size.width;
    e.Height = size.height;
    e.FrameRate = e.Height == 480 ? kFrameRateNtsc : kFrameRatePal;
    c.outcome = CandidateOutcome::Found;
    return c;
}

bool findMpeg4Records(const ByteImage& image, const Anchors& anchors, std::uint32_t freeSpaceAddr,
                      PictureEntry& e) {
    const std::int64_t end = e.End;
    if (!image.contains(end, 4)) return false;
    const std::uint32_t chunkPointer =
        ((e.Start >> 8) + anchors.SegmentBase) * 65536 + (e.Start & 0xFF);
    const std::uint32_t span = e.End - e.Start;
    const std::uint32_t sizeKey = ((span % 2048) & 0xFF) << 24 | (span / 2048 + 1);

    // Words are looked at from End up to FreeSpaceAddr (only at End when that lies
    // before it); the size record is the last one met before the pointer.
    const std::int64_t last = std::max<std::int64_t>(end, freeSpaceAddr);
    const std::int64_t pointer = image.find(le32(chunkPointer), end, last);
    e.PointerAddr = pointer < 0 ? 0 : static_cast<std::uint32_t>(pointer);
    e.RoomEnd = e.End;
    if (pointer >= 0) {
        const std::int64_t sizeRecord = image.findLast(le32(sizeKey), end, pointer);
        if (sizeRecord >= 0) e.RoomEnd = static_cast<std::uint32_t>(sizeRecord);
    }
    e.Spare = static_cast<std::int32_t>(e.RoomEnd - e.End);
    return true;
}

}  // namespace velmora
