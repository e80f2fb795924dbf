// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/dichotomy_search.h"

namespace velmora {

DichotomySearch mpeg2SearchStart() {
    DichotomySearch search;
    search.TrySetting = 7000;
    search.TooBigSetting = 14000;
    search.FitSetting = 0;
    search.TriesLeft = 100;
    search.NoProgressStep = -1;
    search.StreamOffset = 0;
    return search;
}

DichotomySearch mpeg4SearchStart() {
    DichotomySearch search;
    search.TrySetting = 15;
    search.TooBigSetting = 2;
    search.FitSetting = 31;
    search.TriesLeft = 15;
    search.NoProgressStep = 1;
    // The visual object sequence and visual object headers in front of the
    // video object start code are not part of the picture's stream.
    search.StreamOffset = 10;
    return search;
}

std::int32_t halfRoundedToEven(std::int64_t sum) {
    const std::int64_t lower = sum >> 1;  // floor, for negative sums too
    if ((sum & 1) == 0) return static_cast<std::int32_t>(lower);
    return static_cast<std::int32_t>((lower & 1) == 0 ? lower : lower + 1);
}

SearchStep bisectionStep(DichotomySearch& search, std::int64_t fileSize, std::int64_t roomSize) {
    const std::int64_t length = fileSize - search.StreamOffset;
    // An encoder that gives up (mpeg2enc does at high bitrates for PAL) leaves
    // an empty file: that is no stream to write, so the search must move on
    // towards settings the encoder copes with, as from a stream too big.
    const bool tooBig = length > roomSize || length <= 0;
    search.PreviousSetting = search.TrySetting;
    if (tooBig) {
        search.TooBigSetting = search.TrySetting;
        search.TrySetting =
            halfRoundedToEven(std::int64_t{search.TooBigSetting} + search.FitSetting);
        if (search.TrySetting == search.PreviousSetting) {
            search.TrySetting += search.NoProgressStep;
            search.TooBigSetting = search.TrySetting;
            search.FitSetting = search.TrySetting;
        }
    } else if (length < roomSize) {
        search.FitSetting = search.TrySetting;
        search.TrySetting =
            halfRoundedToEven(std::int64_t{search.TooBigSetting} + search.FitSetting);
    }
    --search.TriesLeft;
    const bool stop = (!tooBig && length == roomSize) ||
                      search.TrySetting == search.PreviousSetting || search.TriesLeft == 0;
    return stop ? SearchStep::Stop : SearchStep::NextTry;
}

}  // namespace velmora
