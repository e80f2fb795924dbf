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
// decisions keep detail that costs many bits. Quantiser 0: lambda / 118 is
// the quantiser, fractions included.
struct EncoderSetting {
    int quantiser = 4;
    int lambda = 4 * 118;
    // MPEG-2: the intra table made for detail (B-15), else the first (B-14),
    // which codes smooth pictures shorter.
    bool detailTable = true;
    friend bool operator==(const EncoderSetting&, const EncoderSetting&) = default;
};

struct QualitySearchLimits {
    int finestQuantiser = 1;
    int coarsestQuantiser = 31;
    int firstQuantiser = 4;
    int mostLambdaFactor = 4;  // lambda down to the quantiser's own over this
    // The encoder takes any lambda as a quantiser of its own (MPEG-2, through a
    // scaled quantiser matrix); else whole quantisers, then lambda.
    int mostTries = 14;
    double goodEnough = 0.995;  // of the limit
    bool continuousQuantiser = false;
    // Tries both intra tables at the first setting and keeps the shorter.
    bool chooseIntraTable = false;
};

enum class SearchEnd { Found, Cancelled, EncoderFailed, NothingFits };

struct QualitySearchResult {
    SearchEnd end = SearchEnd::NothingFits;
    std::vector<std::uint8_t> stream;  // Found: the biggest one that fits
    EncoderSetting setting;
};

// encode: the stream at a setting, nothing when the encoder failed or the
// person cancelled (cancelled() then says which); tried: after each try.
struct QualitySearchSteps {
    std::function<std::optional<std::vector<std::uint8_t>>(const EncoderSetting&)> encode;
    std::function<bool()> cancelled;
    std::function<void(const EncoderSetting&, std::int64_t size, int tryNumber, int mostTries)>
        tried;
};

// The search for the best picture not longer than limit: along lambda when
// it sets the quantiser; else first the finest whole quantiser that fits,
// then at it the lowest lambda that fits. Each step guesses from the sizes so far (size falls with
// the setting roughly as a power law), within the bounds known to be too big and to fit.
[[nodiscard]] QualitySearchResult searchQuality(std::int64_t limit, const QualitySearchSteps& steps,
                                                const QualitySearchLimits& limits = {});

}  // namespace velmora
