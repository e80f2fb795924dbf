// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace velmora {

// One setting of the encoder: the quantiser of the picture, and the lambda
// (118 per quantiser step) its rate-distortion decisions weigh bits with.
// Lambda at quantiser * 118 is the encoder's own choice; below it, the
// decisions keep detail that costs many bits. Quantiser 0: lambda alone, any
// value (MPEG-2: lambda / 118 is the quantiser, through a scaled matrix;
// MPEG-4: each macroblock takes the quantiser near it that costs least).
struct EncoderSetting {
    int quantiser = 4;
    int lambda = 4 * 118;
    // MPEG-2: the intra table made for detail (B-15), else the first (B-14),
    // which codes smooth pictures shorter.
    bool detailTable = true;
    friend bool operator==(const EncoderSetting&, const EncoderSetting&) = default;
};

struct QualitySearchLimits {
    int finestLambda = 59;          // quantiser 0.5
    int coarsestLambda = 31 * 118;  // quantiser 31
    int firstLambda = 4 * 118;
    // With two tries side by side: the second first try at firstLambda times
    // this (when firstLambda is a guess made for the limit), else the two
    // first tries lie around firstLambda.
    double firstSpread = 0;
    // size ~ lambda^-steepness, as guessed before the first try.
    double steepness = 0.9;
    int mostTries = 14;
    double goodEnough = 0.995;  // of the limit
    // Tries both intra tables at the first setting and keeps the shorter.
    bool chooseIntraTable = false;
    // How many tries run side by side (each on a core of its own).
    int sideBySide = 1;
};

enum class SearchEnd { Found, Cancelled, EncoderFailed, NothingFits };

struct QualitySearchResult {
    SearchEnd end = SearchEnd::NothingFits;
    std::vector<std::uint8_t> stream;  // Found: the biggest one that fits
    EncoderSetting setting;
};

// encode: the streams at these settings, made side by side, each nothing
// when the encoder failed or the person cancelled (cancelled() then says
// which); tried: after each try, in the order asked.
struct QualitySearchSteps {
    using Stream = std::optional<std::vector<std::uint8_t>>;
    std::function<std::vector<Stream>(const std::vector<EncoderSetting>&)> encode;
    std::function<bool()> cancelled;
    std::function<void(const EncoderSetting&, std::int64_t size, int tryNumber, int mostTries)>
        tried;
};

// The search along lambda (the quantiser, fractions included) for the best
// picture not longer than limit. Each round guesses from the sizes so far
// (size falls with lambda roughly as a power law), within the bounds known to
// be too big and to fit; with two tries side by side, the second guesses a
// little short, so that one of the two likely fits close to the limit.
[[nodiscard]] QualitySearchResult searchQuality(std::int64_t limit, const QualitySearchSteps& steps,
                                                const QualitySearchLimits& limits = {});

}  // namespace velmora
