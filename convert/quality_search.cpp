// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/quality_search.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace velmora {
namespace {

// The second of two side-by-side tries aims this much short of the limit:
// further when the slope comes from points far apart (a rough guess).
constexpr double kShortAim = 0.99;
constexpr double kRoughShortAim = 0.96;

struct Point {
    int x = 0;
    std::int64_t size = 0;
};

class Search {
  public:
    Search(std::int64_t limit, const QualitySearchSteps& steps, const QualitySearchLimits& limits)
        : limit_(limit), steps_(steps), limits_(limits) {
        result_.end = SearchEnd::Found;
    }

    // Tries these settings side by side: their sizes, nothing when the
    // search must end. guide: the sizes steer the search along lambda.
    std::optional<std::vector<std::int64_t>> round(const std::vector<EncoderSetting>& settings,
                                                   bool guide = true) {
        if (steps_.cancelled()) return stop(SearchEnd::Cancelled);
        std::vector<QualitySearchSteps::Stream> streams = steps_.encode(settings);
        std::vector<std::int64_t> sizes;
        for (std::size_t i = 0; i < settings.size(); ++i) {
            if (i > 0 && steps_.cancelled()) return stop(SearchEnd::Cancelled);
            if (i >= streams.size() || !streams[i])
                return stop(steps_.cancelled() ? SearchEnd::Cancelled : SearchEnd::EncoderFailed);
            ++tries_;
            const auto size = static_cast<std::int64_t>(streams[i]->size());
            steps_.tried(settings[i], size, tries_, limits_.mostTries);
            if (guide) note(Point{settings[i].lambda, size});
            keepIfBest(std::move(*streams[i]), size, settings[i]);
            sizes.push_back(size);
        }
        return sizes;
    }

    // The search along lambda, from the points found so far.
    void run(bool detailTable) {
        if (result_.end != SearchEnd::Found) return;
        const int lowest = limits_.finestLambda;
        const int highest = limits_.coarsestLambda;
        const auto settingOf = [detailTable](int lambda) {
            return EncoderSetting{0, lambda, detailTable};
        };
        std::vector<int> next;
        if (!fits_ && !tooBig_) {
            // Two first tries around the first guess bound most photos.
            const int first = limits_.firstLambda;
            const auto spread = static_cast<int>(std::lround(first * (1 + limits_.firstSpread)));
            if (limits_.sideBySide < 2)
                next = {first};
            else if (limits_.firstSpread > 0)
                next = {first, std::max(first + 1, spread)};
            else
                next = {first * 3 / 4, first * 7 / 5};
        }
        while (tries_ < limits_.mostTries) {
            if (!next.empty()) {
                std::vector<EncoderSetting> settings;
                for (const int x : next) settings.push_back(settingOf(x));
                if (!round(settings)) return;
            }
            if (goodEnough() || settled(lowest, highest)) return;
            next = guesses(lowest, highest);
            if (next.empty()) return;
        }
    }

    [[nodiscard]] bool goodEnough() const {
        return !result_.stream.empty() && static_cast<double>(result_.stream.size()) >=
                                              limits_.goodEnough * static_cast<double>(limit_);
    }

    QualitySearchResult finish() {
        if (result_.end == SearchEnd::Found && result_.stream.empty())
            result_.end = SearchEnd::NothingFits;
        if (result_.end != SearchEnd::Found) result_.stream.clear();
        return std::move(result_);
    }

    void note(const Point& p) {
        if (p.size <= limit_) {
            if (!fits_ || p.x < fits_->x) fits_ = p;
        } else if (!tooBig_ || p.x > tooBig_->x) {
            tooBig_ = p;
        }
        points_.push_back(p);
    }

    [[nodiscard]] double target() const {
        return static_cast<double>(limit_) * (1.0 + limits_.goodEnough) / 2.0;
    }

  private:
    std::nullopt_t stop(SearchEnd end) {
        result_.end = end;
        return std::nullopt;
    }

    [[nodiscard]] bool settled(int lowest, int highest) const {
        if (fits_ && fits_->x <= lowest) return true;       // the finest fits
        if (tooBig_ && tooBig_->x >= highest) return true;  // the coarsest does not
        if (fits_ && tooBig_ && fits_->x - tooBig_->x <= 1) return true;
        return saturated();
    }

    // A finer setting that gave no more bytes than a clearly coarser one: the
    // picture has no detail left to spend the room on (the encoder's finest
    // quantiser is reached), and finer tries would all give the same.
    [[nodiscard]] bool saturated() const {
        if (!fits_) return false;
        return std::any_of(points_.begin(), points_.end(), [this](const Point& p) {
            return p.x >= fits_->x + std::max(2, fits_->x / 30) && p.size >= fits_->size;
        });
    }

    // log size against log lambda: the line through the two points that
    // bound the answer, else the two nearest it, else a typical slope.
    [[nodiscard]] double lambdaFor(double size, bool* rough = nullptr) const {
        const auto ln = [](double v) { return std::log(v); };
        Point a;
        Point b;
        if (fits_ && tooBig_) {
            a = *tooBig_;
            b = *fits_;
        } else {
            const Point& known = fits_ ? *fits_ : *tooBig_;
            a = known;
            b = known;
            for (const Point& p : points_)
                if (p.x != known.x &&
                    (b.x == known.x || std::abs(p.x - known.x) < std::abs(b.x - known.x)))
                    b = p;
        }
        if (rough != nullptr)
            *rough = a.x == b.x || std::max(a.x, b.x) > std::min(a.x, b.x) * 23 / 20;
        double slope = -limits_.steepness;
        if (a.x != b.x && a.size != b.size)
            slope = (ln(static_cast<double>(b.size)) - ln(static_cast<double>(a.size))) /
                    (ln(b.x) - ln(a.x));
        // A flat or rising stretch says nothing about the slope.
        if (slope > -0.05) slope = -limits_.steepness;
        slope = std::clamp(slope, -4.0, -0.2);
        return std::exp(ln(a.x) + (ln(size) - ln(static_cast<double>(a.size))) / slope);
    }

    // The next round's lambdas, strictly between the bounds; none when there
    // is nothing left to try.
    [[nodiscard]] std::vector<int> guesses(int lowest, int highest) const {
        double low = lowest - 1.0;
        double high = highest + 1.0;
        if (tooBig_) low = tooBig_->x;
        if (fits_) high = fits_->x;
        const auto inside = [&](double x) {
            return static_cast<int>(std::lround(std::clamp(x, low + 1, high - 1)));
        };
        std::vector<int> out;
        bool rough = true;
        const int first = inside(lambdaFor(target(), &rough));
        if (first <= low || first >= high) return out;
        out.push_back(first);
        if (limits_.sideBySide > 1) {
            const double aim = rough ? kRoughShortAim : kShortAim;
            int second = inside(lambdaFor(aim * static_cast<double>(limit_)));
            if (second <= first) second = first + 1;  // on the side that fits
            if (second < high) out.push_back(second);
        }
        return out;
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
    QualitySearchResult result_;
    int tries_ = 0;
    std::optional<Point> fits_;
    std::optional<Point> tooBig_;
    std::vector<Point> points_;
};

}  // namespace

QualitySearchResult searchQuality(std::int64_t limit, const QualitySearchSteps& steps,
                                  const QualitySearchLimits& limits) {
    Search search(limit, steps, limits);
    bool detailTable = true;
    if (limits.chooseIntraTable) {
        // Both tables at the first setting; the shorter one goes on.
        const int first = limits.firstLambda;
        const auto other = search.round({EncoderSetting{0, first, false}}, false);
        if (!other) return search.finish();
        const auto detail = search.round({EncoderSetting{0, first, true}}, false);
        if (!detail) return search.finish();
        if (search.goodEnough()) return search.finish();
        detailTable = detail->front() <= other->front();
        search.note(Point{first, std::min(detail->front(), other->front())});
    }
    search.run(detailTable);
    return search.finish();
}

}  // namespace velmora
