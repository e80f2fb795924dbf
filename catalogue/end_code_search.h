// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

#include "firmware/byte_image.h"

namespace velmora {

// What earlier end-code walks proved, so that a file full of stray sequence
// headers is not walked again from each of them.
//
// The walk looks at one position after another, stepping 1, 2 or 4 bytes. A
// position s whose preceding byte is above 01 cannot be stepped over (a 2- or
// 4-byte step needs a 00 or 01 right before the byte it lands behind), so every
// walk that gets past s stops at s, and from there all walks go alike. A walk
// that meets such a position which an earlier walk also met therefore ends as
// that walk did.
class EndCodeMemo {
  public:
    // One walk's record: every such position in [from, to] leads to `result`.
    struct Record {
        std::int64_t from = -1;  // -1: no record
        std::int64_t to = -1;
        std::int64_t result = -1;
    };
    Record failed;  // the last walk that ran to the end of the file
    Record found;   // the last walk that found an end code
};

// Byte-by-byte search for 00 00 01 B7 / 00 00 01 B9 from `from`, in the
// firmware's own way: a 00 00 01 followed by another byte consumes that byte.
// Returns the offset just past the end code, or -1 when the file ends first
// (an end code that is the very last thing in the file counts as none).
[[nodiscard]] std::int64_t findEndCode(const ByteImage& image, std::int64_t from,
                                       EndCodeMemo& memo);

}  // namespace velmora
