// SPDX-License-Identifier: GPL-3.0-or-later
#include "catalogue/end_code_search.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <span>

namespace velmora {
namespace {

constexpr std::int64_t kNever = std::numeric_limits<std::int64_t>::max();

// The first offset i in [from, to] whose byte is above 01 (-1: none), eight
// bytes at a time through long runs of 00 and 01.
std::int64_t firstByteAboveOne(std::span<const std::uint8_t> b, std::int64_t from,
                               std::int64_t to) {
    std::int64_t i = from;
    for (; i + 8 <= to + 1; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, b.data() + i, 8);
        if ((word & 0xFEFEFEFEFEFEFEFEULL) != 0) break;
    }
    for (; i <= to; ++i)
        if (b[static_cast<std::size_t>(i)] > 0x01) return i;
    return -1;
}

// The first offset i >= from whose byte is not 00 (size: none).
std::int64_t firstNonZero(std::span<const std::uint8_t> b, std::int64_t from) {
    const auto size = static_cast<std::int64_t>(b.size());
    std::int64_t i = from;
    for (; i + 8 <= size; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, b.data() + i, 8);
        if (word != 0) break;
    }
    while (i < size && b[static_cast<std::size_t>(i)] == 0) ++i;
    return i;
}

// The first position s in [from, to] that no walk steps over (the byte before
// it is above 01); -1 when there is none.
std::int64_t firstFixedPoint(std::span<const std::uint8_t> b, std::int64_t from, std::int64_t to) {
    from = std::max<std::int64_t>(from, 1);
    if (from > to) return -1;
    const std::int64_t i = firstByteAboveOne(b, from - 1, to - 1);
    return i < 0 ? -1 : i + 1;
}

struct Walk {
    std::int64_t result = -1;      // just past the end code, or -1
    std::int64_t lastLooked = -1;  // the last position the walk looked at
    bool handedOver = false;       // reached `stopAt`: ends as the walk recorded there
};

// The walk itself, from `from` until an end code, the end of the file, or `stopAt`.
Walk walk(std::span<const std::uint8_t> b, std::int64_t from, std::int64_t stopAt) {
    const auto size = static_cast<std::int64_t>(b.size());
    const auto at = [&](std::int64_t i) { return b[static_cast<std::size_t>(i)]; };
    Walk w;
    std::int64_t p = from;
    while (p < size) {
        if (p >= stopAt) {
            w.handedOver = true;
            return w;
        }
        w.lastLooked = p;
        if (at(p) != 0x00) {
            // Every byte up to the next zero is looked at in turn; no need to
            // look beyond where an earlier walk takes over.
            const std::int64_t limit = std::min(size, stopAt);
            const auto* hit = static_cast<const std::uint8_t*>(
                std::memchr(b.data() + p + 1, 0x00, static_cast<std::size_t>(limit - p - 1)));
            const std::int64_t zero = hit == nullptr ? limit : hit - b.data();
            if (zero >= stopAt) {
                w.handedOver = true;
                return w;
            }
            w.lastLooked = zero - 1;
            p = zero;
            continue;
        }
        if (p + 1 >= size) break;
        if (at(p + 1) != 0x00) {
            p += 2;
            continue;
        }
        if (p + 2 >= size) break;
        if (at(p + 2) != 0x01) {
            if (at(p + 2) != 0x00) {
                ++p;  // the second zero becomes the next first byte
                continue;
            }
            // Through a run of zeros the walk moves one byte at a time, up to
            // the last two zeros before the run's end.
            const std::int64_t next = std::max(p + 1, firstNonZero(b, p + 3) - 2);
            if (stopAt > p && stopAt <= next) {
                w.handedOver = true;
                return w;
            }
            w.lastLooked = next - 1;
            p = next;
            continue;
        }
        if (p + 3 >= size) break;
        const std::uint8_t v = at(p + 3);
        p += 4;
        if (v == 0xB7 || v == 0xB9) {
            if (p < size) w.result = p;
            return w;
        }
    }
    return w;
}

// Where a new walk from `from` meets a position the record's walk met; kNever if nowhere.
std::int64_t meetingPoint(std::span<const std::uint8_t> b, const EndCodeMemo::Record& record,
                          std::int64_t from) {
    if (record.from < 0 || from > record.to) return kNever;
    const std::int64_t s = firstFixedPoint(b, std::max(from, record.from), record.to);
    return s < 0 ? kNever : s;
}

}  // namespace

std::int64_t findEndCode(const ByteImage& image, std::int64_t from, EndCodeMemo& memo) {
    const std::span<const std::uint8_t> b = image.view(0, image.size());
    if (from >= image.size()) return -1;
    const std::int64_t viaFailed = meetingPoint(b, memo.failed, from);
    const std::int64_t viaFound = meetingPoint(b, memo.found, from);
    const std::int64_t stopAt = std::min(viaFailed, viaFound);
    const Walk w = walk(b, from, stopAt);
    if (w.handedOver) return stopAt == viaFailed ? memo.failed.result : memo.found.result;

    EndCodeMemo::Record record;
    record.from = firstFixedPoint(b, from, w.lastLooked);
    record.to = w.lastLooked;
    record.result = w.result;
    if (record.from < 0) return w.result;  // nothing that a later walk could meet
    (w.result < 0 ? memo.failed : memo.found) = record;
    return w.result;
}

}  // namespace velmora
