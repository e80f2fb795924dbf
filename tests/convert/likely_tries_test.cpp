// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/likely_tries.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

namespace velmora {
namespace {

// The settings the search really tries from here on, with every size known.
std::vector<std::int32_t> realPath(DichotomySearch search, std::int64_t room,
                                   const std::function<std::int64_t(std::int32_t)>& size) {
    std::vector<std::int32_t> path;
    for (;;) {
        path.push_back(search.TrySetting);
        if (bisectionStep(search, size(search.TrySetting), room) == SearchStep::Stop) return path;
    }
}

// Where the stream grows steadily with the setting, two tries are enough to
// see the whole rest of the search: the runs ahead of it are never wasted.
TEST(LikelyTries, OnASteadyCurveTheGuessesFollowTheRealSearch) {
    struct Case {
        DichotomySearch start;
        std::function<std::int64_t(std::int32_t)> size;
        std::int64_t room;
    };
    const std::vector<Case> cases{
        {mpeg2SearchStart(), [](std::int32_t s) { return 10 * std::int64_t{s} + 3000; }, 41234},
        {mpeg2SearchStart(), [](std::int32_t s) { return 5 * std::int64_t{s}; }, 60001},
        {mpeg4SearchStart(), [](std::int32_t q) { return 10 + 40000 - 1000 * std::int64_t{q}; },
         21500},
    };
    for (const Case& c : cases) {
        const std::vector<std::int32_t> path = realPath(c.start, c.room, c.size);
        ASSERT_GT(path.size(), 4u);
        DichotomySearch search = c.start;
        TriedSizes tried;
        for (std::size_t step = 0; step < 2; ++step) {
            tried[search.TrySetting] = c.size(search.TrySetting);
            ASSERT_EQ(bisectionStep(search, c.size(search.TrySetting), c.room),
                      SearchStep::NextTry);
        }
        // A setting the search comes back to is encoded once.
        std::vector<std::int32_t> rest;
        for (auto s = path.begin() + 2; s != path.end(); ++s)
            if (std::find(rest.begin(), rest.end(), *s) == rest.end() && !tried.contains(*s))
                rest.push_back(*s);
        EXPECT_EQ(likelyUntriedSettings(search, tried, c.room, rest.size()), rest) << c.room;
    }
}

// Settings tried already are passed by their real size and not asked for again.
TEST(LikelyTries, TriedSettingsAreFollowedNotAskedFor) {
    const DichotomySearch start = mpeg2SearchStart();
    // 7000 is too big in truth, which no guess from nothing could know; then
    // 5250 is guessed too big from the line between the two tries.
    const TriedSizes tried{{7000, 90000}, {3500, 20000}};
    const std::vector<std::int32_t> next = likelyUntriedSettings(start, tried, 40000, 2);
    EXPECT_EQ(next, (std::vector<std::int32_t>{5250, 4375}));
}

}  // namespace
}  // namespace velmora
