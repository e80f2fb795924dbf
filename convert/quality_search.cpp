// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/quality_search.h"

#include <algorithm>
#include <cmath>

namespace velmora {
namespace {

constexpr int kLambdaPerQuantiser = 118;

struct Point {
    int x = 0;
    std::int64_t size = 0;
};

// Where the line through two tries (log size over log setting) meets target.
double interpolated(const Point& a, const Point& b, double target) {
    const double xa = std::log(a.x), xb = std::log(b.x);
    const double sa = std::log(static_cast<double>(a.size));
    const double sb = std::log(static_cast<double>(b.size));
    if (sa == sb) return std::exp((xa + xb) / 2);
    return std::exp(xa + (std::log(target) - sa) * (xb - xa) / (sb - sa));
}

// A search along one setting x in [lowest, highest], bigger x smaller streams.
class Search {
  public:
    Search(std::int64_t limit, const QualitySearchSteps& steps, const QualitySearchLimits& limits,
           QualitySearchResult& result, int& tries)
        : limit_(limit), steps_(steps), limits_(limits), result_(result), tries_(tries) {}

    enum class Ended { Settled, Stopped };

    // Tries x from `first` on; fits_ and tooBig_ hold the bounds found.
    // steepness: how fast the size falls with x (size ~ x^-steepness), for
    // guesses from one side only.
    Ended run(int lowest, int highest, int first, std::optional<Point> tooBig,
              std::optional<Point> fits, double steepness,
              const std::function<EncoderSetting(int)>& settingOf) {
        fits_ = fits;
        tooBig_ = tooBig;
        const double target = static_cast<double>(limit_) * (1.0 + limits_.goodEnough) / 2.0;
        int x = std::clamp(first, lowest, highest);
        while (tries_ < limits_.mostTries) {
            if (steps_.cancelled()) return stop(SearchEnd::Cancelled);
            const EncoderSetting setting = settingOf(x);
            std::optional<std::vector<std::uint8_t>> stream = steps_.encode(setting);
            if (!stream)
                return stop(steps_.cancelled() ? SearchEnd::Cancelled : SearchEnd::EncoderFailed);
            ++tries_;
            const auto size = static_cast<std::int64_t>(stream->size());
            steps_.tried(setting, size, tries_, limits_.mostTries);
            keepIfBest(std::move(*stream), size, setting);
            if (size <= limit_) {
                if (!fits_ || x < fits_->x) fits_ = Point{x, size};
            } else if (!tooBig_ || x > tooBig_->x) {
                tooBig_ = Point{x, size};
            }
            if (goodEnough()) return Ended::Stopped;
            if (fits_ && fits_->x <= lowest) return Ended::Settled;
            if (tooBig_ && tooBig_->x >= highest) return Ended::Settled;
            double next = 0;
            if (fits_ && tooBig_) {
                if (fits_->x - tooBig_->x <= 1) return Ended::Settled;
                next = interpolated(*tooBig_, *fits_, target);
                // Each guess closes at least an eighth of the bracket.
                const double margin = std::max(1.0, (fits_->x - tooBig_->x) / 8.0);
                next = std::clamp(next, tooBig_->x + margin, fits_->x - margin);
            } else if (fits_) {
                next =
                    fits_->x * std::pow(static_cast<double>(fits_->size) / target, 1.0 / steepness);
            } else {
                next = tooBig_->x *
                       std::pow(static_cast<double>(tooBig_->size) / target, 1.0 / steepness);
            }
            const int rounded = static_cast<int>(std::lround(
                std::clamp(next, static_cast<double>(lowest), static_cast<double>(highest))));
            // At least one step on, towards the side not yet known.
            x = rounded != x ? rounded : (size <= limit_ ? x - 1 : x + 1);
            if (x < lowest || x > highest) return Ended::Settled;
            if ((fits_ && x >= fits_->x) || (tooBig_ && x <= tooBig_->x)) return Ended::Settled;
        }
        return Ended::Stopped;
    }

    // One try outside a run; nothing when the search must end.
    std::optional<Point> once(const EncoderSetting& setting, int x) {
        if (steps_.cancelled()) {
            stop(SearchEnd::Cancelled);
            return std::nullopt;
        }
        std::optional<std::vector<std::uint8_t>> stream = steps_.encode(setting);
        if (!stream) {
            stop(steps_.cancelled() ? SearchEnd::Cancelled : SearchEnd::EncoderFailed);
            return std::nullopt;
        }
        ++tries_;
        const auto size = static_cast<std::int64_t>(stream->size());
        steps_.tried(setting, size, tries_, limits_.mostTries);
        keepIfBest(std::move(*stream), size, setting);
        return Point{x, size};
    }

    [[nodiscard]] bool goodEnough() const {
        return !result_.stream.empty() && static_cast<double>(result_.stream.size()) >=
                                              limits_.goodEnough * static_cast<double>(limit_);
    }

    [[nodiscard]] const std::optional<Point>& fits() const { return fits_; }
    [[nodiscard]] const std::optional<Point>& tooBig() const { return tooBig_; }

  private:
    Ended stop(SearchEnd end) {
        result_.end = end;
        return Ended::Stopped;
    }
    void keepIfBest(std::vector<std::uint8_t>&& stream, std::int64_t size,
                    const EncoderSetting& setting) {
        if (size > limit_) return;
        if (result_.stream.empty() || size > static_cast<std::int64_t>(result_.stream.size())) {
            result_.stream = std::move(stream);
            result_.setting = setting;
        }
    }

    std::int64_t limit_;
    const QualitySearchSteps& steps_;
    const QualitySearchLimits& limits_;
    QualitySearchResult& result_;
    int& tries_;
    std::optional<Point> fits_;
    std::optional<Point> tooBig_;
};

}  // namespace

QualitySearchResult searchQuality(std::int64_t limit, const QualitySearchSteps& steps,
                                  const QualitySearchLimits& limits) {
    QualitySearchResult result;
    result.end = SearchEnd::Found;
    int tries = 0;
    Search search(limit, steps, limits, result, tries);
    const int finest = limits.finestQuantiser * kLambdaPerQuantiser;
    const int coarsest = limits.coarsestQuantiser * kLambdaPerQuantiser;
    const int first = limits.firstQuantiser * kLambdaPerQuantiser;
    if (limits.continuousQuantiser) {
        // Any lambda is a quantiser of its own: one search along it.
        bool detailTable = true;
        std::optional<Point> fits;
        std::optional<Point> tooBig;
        int start = first;
        if (limits.chooseIntraTable) {
            const std::optional<Point> other = search.once(EncoderSetting{0, first, false}, first);
            if (!other) return result;
            const std::optional<Point> detail = search.once(EncoderSetting{0, first, true}, first);
            if (!detail) return result;
            detailTable = detail->size <= other->size;
            const Point kept = detailTable ? *detail : *other;
            (kept.size <= limit ? fits : tooBig) = kept;
            if (search.goodEnough()) return result;
            start = static_cast<int>(std::lround(
                first * std::pow(static_cast<double>(kept.size) /
                                     (static_cast<double>(limit) * (1.0 + limits.goodEnough) / 2),
                                 1.0 / 0.9)));
            if (start == first) start += kept.size <= limit ? -1 : 1;
        }
        const auto byLambda = [detailTable](int lambda) {
            return EncoderSetting{0, lambda, detailTable};
        };
        (void)search.run(finest / 2, coarsest, start, tooBig, fits, 0.9, byLambda);
    } else {
        const auto byQuantiser = [](int q) { return EncoderSetting{q, q * kLambdaPerQuantiser}; };
        if (search.run(limits.finestQuantiser, limits.coarsestQuantiser, limits.firstQuantiser,
                       std::nullopt, std::nullopt, 0.9, byQuantiser) == Search::Ended::Settled &&
            search.fits() && search.tooBig()) {
            // Between the finest quantiser that fits and the next finer one, too
            // big: the one that fits with a lower lambda keeps more detail (a
            // higher lambda at the finer one loses more than it keeps).
            const int q = search.fits()->x;
            const int natural = q * kLambdaPerQuantiser;
            const auto atQuantiser = [q](int lambda) { return EncoderSetting{q, lambda}; };
            const Point fits{natural, search.fits()->size};
            // There the size grows only slowly as lambda falls (about lambda^-0.2).
            const double ratio = static_cast<double>(limit) / static_cast<double>(fits.size);
            const int guess = static_cast<int>(natural / std::pow(ratio, 5.0));
            (void)search.run(natural / limits.mostLambdaFactor, natural,
                             std::max(guess, natural / limits.mostLambdaFactor), std::nullopt, fits,
                             0.2, atQuantiser);
        }
    }
    if (result.end == SearchEnd::Found && result.stream.empty())
        result.end = SearchEnd::NothingFits;
    if (result.end != SearchEnd::Found) result.stream.clear();
    return result;
}

}  // namespace velmora
