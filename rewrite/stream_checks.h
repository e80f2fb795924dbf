// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "person/dialogs.h"
#include "person/outcome.h"

namespace velmora {

enum class StreamStartResult { Found, NoVideo, NoVolStartCode };

struct StreamStart {
    StreamStartResult result = StreamStartResult::NoVideo;
    std::int64_t StreamOffset = 0;
};

// Where a ready-made stream begins: the first sequence header or video object
// plane code; for an MPEG-4 picture (kind other than 2) the first video object
// start code instead, which must exist as well.
[[nodiscard]] StreamStart findStreamStart(std::span<const std::uint8_t> file, int kind);

// Makes a ready-made stream of the picture's kind fit for the firmware, with
// a log line for each change: an MPEG-4 stream loses the user data in front of
// its first picture (the analysis reads only so far). Refuses an MPEG-4 stream whose first
// picture the analysis would still not reach, since the next analysis would
// stop there. Any other file is left for checkReadyStream to judge.
[[nodiscard]] Outcome prepareReadyStream(Dialogs& ui, std::vector<std::uint8_t>& file, int kind);

// The checks on a ready-made stream file: refuses a stream without video and
// an MPEG-4 stream without its video object, and asks "Confirmation" for a
// stream larger than the room. Returns StreamOffset, or how the replacement
// ends here.
[[nodiscard]] Result<std::int64_t> checkReadyStream(Dialogs& ui, std::span<const std::uint8_t> file,
                                                    int kind, std::int32_t roomSize);

// A converted stream is written from its given offset without a size check,
// but one that holds no video (an encoder that failed leaves an empty file) is
// refused like a ready-made one.
[[nodiscard]] Outcome checkConvertedStream(std::span<const std::uint8_t> file, int kind,
                                           std::int64_t streamOffset);

}  // namespace velmora
