// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/likely_tries.h"

#include <algorithm>
#include <iterator>

namespace velmora {
namespace {

struct Point {
    double setting;
    double length;
};

double lineThrough(const Point& a, const Point& b, double setting) {
    if (a.setting == b.setting) return a.length;
    return a.length + (b.length - a.length) * (setting - a.setting) / (b.setting - a.setting);
}

// The stream length a setting not tried yet probably gives: on the line
// between the tried settings on either side of it, or beyond the two nearest
// on one side. Tries that gave no stream say nothing of the length.
std::int64_t guessedLength(const DichotomySearch& search, const TriedSizes& tried,
                           std::int32_t setting, std::int64_t roomSize) {
    std::vector<Point> points;
    for (const auto& [triedSetting, fileSize] : tried) {
        const std::int64_t length = fileSize - search.StreamOffset;
        if (length > 0) points.push_back({double(triedSetting), double(length)});
    }
    // Nothing to go by: a stream that fits, the likelier end for a first try.
    if (points.empty()) return roomSize - 1;
    if (points.size() == 1) {
        // One try: the length taken to grow with the quality the setting asks for.
        const Point& only = points.front();
        const bool biggerWithSetting = search.TooBigSetting > search.FitSetting;
        if (only.setting <= 0 || setting <= 0) return static_cast<std::int64_t>(only.length);
        const double ratio = biggerWithSetting ? setting / only.setting : only.setting / setting;
        return std::max<std::int64_t>(1, static_cast<std::int64_t>(only.length * ratio));
    }
    const auto above = std::upper_bound(points.begin(), points.end(), double(setting),
                                        [](double s, const Point& p) { return s < p.setting; });
    const auto [first, second] = above == points.begin() ? std::pair{above, std::next(above)}
                                 : above == points.end() ? std::pair{above - 2, above - 1}
                                                         : std::pair{above - 1, above};
    const double length = lineThrough(*first, *second, double(setting));
    return std::max<std::int64_t>(1, static_cast<std::int64_t>(length));
}

}  // namespace

std::vector<std::int32_t> likelyUntriedSettings(DichotomySearch search, const TriedSizes& tried,
                                                std::int64_t roomSize, std::size_t count) {
    std::vector<std::int32_t> settings;
    while (settings.size() < count) {
        const std::int32_t setting = search.TrySetting;
        const auto known = tried.find(setting);
        std::int64_t fileSize = 0;
        if (known != tried.end()) {
            fileSize = known->second;
        } else {
            if (std::find(settings.begin(), settings.end(), setting) == settings.end())
                settings.push_back(setting);
            fileSize = guessedLength(search, tried, setting, roomSize) + search.StreamOffset;
        }
        if (bisectionStep(search, fileSize, roomSize) == SearchStep::Stop) break;
    }
    return settings;
}

}  // namespace velmora
