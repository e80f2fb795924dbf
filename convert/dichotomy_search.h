// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

namespace velmora {

// The search for the best-quality encoder setting whose stream fits the room:
// the bitrate of an MPEG-2 picture (higher is better and bigger), the
// quantizer of an MPEG-4 picture (lower is better and bigger).
struct DichotomySearch {
    std::int32_t TrySetting = 0;
    std::int32_t TooBigSetting = 0;  // the best-quality end at the start
    std::int32_t FitSetting = 0;     // the smallest-stream end at the start
    std::int32_t PreviousSetting = 0;
    std::int32_t TriesLeft = 0;
    std::int32_t NoProgressStep = 0;  // one step towards smaller streams
    std::int64_t StreamOffset = 0;    // leading encoder bytes that are not stream
};

[[nodiscard]] DichotomySearch mpeg2SearchStart();
[[nodiscard]] DichotomySearch mpeg4SearchStart();

// sum / 2 rounded to the nearest integer, an exact half to the even neighbour.
[[nodiscard]] std::int32_t halfRoundedToEven(std::int64_t sum);

enum class SearchStep { NextTry, Stop };

// One step after a try whose output file has fileSize bytes: moves the bounds
// and chooses the next setting. Stop when the stream meets the room exactly,
// when the setting no longer changes, or when no try is left. An output that
// holds no stream bytes counts as too big.
[[nodiscard]] SearchStep bisectionStep(DichotomySearch& search, std::int64_t fileSize,
                                       std::int64_t roomSize);

}  // namespace velmora
