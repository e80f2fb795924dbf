// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

#include "catalogue/candidate.h"
#include "catalogue/end_code_search.h"
#include "firmware/byte_image.h"

namespace velmora {

// The sequence header code 00 00 01 B3 at q: size, frame rate and end code.
[[nodiscard]] Candidate readMpeg2Stream(const ByteImage& image, std::int64_t q, EndCodeMemo& memo);

// The rest of an MPEG-2 picture once it is accepted: gap header, block
// length, data size, the room after the stream and the spare bytes in it.
struct Mpeg2Room {
    bool roomReachedEnd = false;  // the filler walk met the end of the file
};
[[nodiscard]] Mpeg2Room completeMpeg2Picture(const ByteImage& image, PictureEntry& entry);

inline constexpr std::uint32_t kSequenceHeaderCode = 0xB3010000;  // bytes 00 00 01 B3

}  // namespace velmora
