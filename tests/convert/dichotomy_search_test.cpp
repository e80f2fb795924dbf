// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/dichotomy_search.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace velmora {
namespace {

struct Outcome {
    std::vector<int> settings;  // in the order tried
    int triesLeft = 0;
};

// Runs the search against an encoder whose stream length (after the offset)
// is a function of the setting.
Outcome search(DichotomySearch state, const std::function<long long(int)>& lengthOf,
               long long room) {
    Outcome outcome;
    for (;;) {
        outcome.settings.push_back(state.TrySetting);
        const long long fileSize = lengthOf(state.TrySetting) + state.StreamOffset;
        if (bisectionStep(state, fileSize, room) == SearchStep::Stop) break;
    }
    outcome.triesLeft = state.TriesLeft;
    return outcome;
}

TEST(HalfRoundedToEven, ExactHalvesGoToTheEvenNeighbour) {
    struct Case {
        long long sum;
        int half;
    };
    for (const Case& c : std::vector<Case>{{875, 438},
                                           {27125, 13562},
                                           {1, 0},
                                           {3, 2},
                                           {5, 2},
                                           {14000, 7000},
                                           {-1, 0},
                                           {-3, -2},
                                           {-5, -2},
                                           {-4, -2},
                                           {0, 0}}) {
        EXPECT_EQ(halfRoundedToEven(c.sum), c.half) << c.sum;
    }
}

TEST(DichotomySearch, Mpeg2EveryStreamTooBigRunsOutOfTries) {
    const auto outcome = search(
        mpeg2SearchStart(), [](int) { return 1000000; }, 1000);
    std::vector<int> expected = {7000, 3500, 1750, 875, 438, 219, 110, 55, 28, 14, 7, 4, 2, 1};
    for (int b = 0; expected.size() < 100; --b) expected.push_back(b);
    EXPECT_EQ(outcome.settings, expected);
    EXPECT_EQ(outcome.triesLeft, 0);
}

TEST(DichotomySearch, Mpeg2EveryStreamFitsClimbsToTheTop) {
    const auto outcome = search(
        mpeg2SearchStart(), [](int) { return 10; }, 1000);
    EXPECT_EQ(outcome.settings,
              (std::vector<int>{7000, 10500, 12250, 13125, 13562, 13781, 13890, 13945, 13972, 13986,
                                13993, 13996, 13998, 13999, 14000}));
    EXPECT_EQ(outcome.triesLeft, 85);
}

// The whole sequence of a search that meets its room is run end to end, with
// the batch file and the runner, in the conversion tests.
TEST(DichotomySearch, ExactFitStopsAtOnce) {
    const auto outcome = search(
        mpeg2SearchStart(), [](int b) { return 10LL * b; }, 70000);
    EXPECT_EQ(outcome.settings, std::vector<int>{7000});
    EXPECT_EQ(outcome.triesLeft, 99);
}

TEST(DichotomySearch, Mpeg4EveryStreamFits) {
    const auto outcome = search(
        mpeg4SearchStart(), [](int) { return 10; }, 1000);
    EXPECT_EQ(outcome.settings, (std::vector<int>{15, 8, 5, 4, 3, 2}));
    EXPECT_EQ(outcome.triesLeft, 9);
}

TEST(DichotomySearch, Mpeg4EveryStreamTooBigPassesThirtyOne) {
    const auto outcome = search(
        mpeg4SearchStart(), [](int) { return 1000000; }, 1000);
    EXPECT_EQ(outcome.settings,
              (std::vector<int>{15, 23, 27, 29, 30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 40}));
    EXPECT_EQ(outcome.triesLeft, 0);
}

TEST(DichotomySearch, Mpeg4InverseQuantizerSizes) {
    const auto lengthOf = [](int q) { return 200000LL / q; };
    const auto exact = search(mpeg4SearchStart(), lengthOf, 20000);
    EXPECT_EQ(exact.settings, (std::vector<int>{15, 8, 12, 10}));
    EXPECT_GT(exact.triesLeft, 0);
    const auto roomier = search(mpeg4SearchStart(), lengthOf, 21000);
    EXPECT_EQ(roomier.settings, (std::vector<int>{15, 8, 12, 10, 9, 10}));
    EXPECT_GT(roomier.triesLeft, 0);
}

TEST(DichotomySearch, TheOffsetIsNotCountedInTheLength) {
    // 990 + 10 header bytes meet a room of 990 exactly.
    DichotomySearch state = mpeg4SearchStart();
    EXPECT_EQ(bisectionStep(state, 1000, 990), SearchStep::Stop);
    EXPECT_EQ(state.TrySetting, 15);
}

TEST(DichotomySearch, AFitOnTheLastAllowedTryStillEndsTheCount) {
    // Too big below quantizer 40, exactly the room at 40: the fifteenth try fits.
    const auto outcome = search(
        mpeg4SearchStart(), [](int q) { return q < 40 ? 5000 : 1000; }, 1000);
    EXPECT_EQ(outcome.settings.back(), 40);
    EXPECT_EQ(outcome.settings.size(), 15u);
    EXPECT_EQ(outcome.triesLeft, 0);
}

TEST(DichotomySearch, AnEmptyOutputIsNoFit) {
    // mpeg2enc leaves an empty file above the bitrates its buffer copes with.
    struct Outcome2 {
        std::vector<int> settings;
        long long lastLength = 0;
    };
    DichotomySearch state = mpeg2SearchStart();
    const auto lengthOf = [](int b) { return b > 11500 ? 0LL : 25000LL; };
    Outcome2 outcome;
    for (;;) {
        outcome.settings.push_back(state.TrySetting);
        outcome.lastLength = lengthOf(state.TrySetting);
        if (bisectionStep(state, outcome.lastLength, 60000) == SearchStep::Stop) break;
    }
    EXPECT_GT(state.TriesLeft, 0);
    EXPECT_EQ(outcome.settings.back(), 11500);
    EXPECT_EQ(outcome.lastLength, 25000);
    EXPECT_EQ((std::vector<int>(outcome.settings.begin(), outcome.settings.begin() + 4)),
              (std::vector<int>{7000, 10500, 12250, 11375}));

    // Not even a room of nothing takes an empty output, nor a header alone.
    DichotomySearch empty = mpeg2SearchStart();
    EXPECT_EQ(bisectionStep(empty, 0, 0), SearchStep::NextTry);
    EXPECT_EQ(empty.TooBigSetting, 7000);
    DichotomySearch headerOnly = mpeg4SearchStart();
    EXPECT_EQ(bisectionStep(headerOnly, 10, 1000), SearchStep::NextTry);
    EXPECT_EQ(headerOnly.TrySetting, 23);
}

TEST(DichotomySearch, TooBigWithoutProgressMovesBothBounds) {
    DichotomySearch state = mpeg2SearchStart();
    state.TrySetting = 0;
    state.TooBigSetting = 1;
    state.FitSetting = 0;
    EXPECT_EQ(bisectionStep(state, 5, 4), SearchStep::NextTry);
    EXPECT_EQ(state.TrySetting, -1);
    EXPECT_EQ(state.TooBigSetting, -1);
    EXPECT_EQ(state.FitSetting, -1);
    EXPECT_EQ(state.PreviousSetting, 0);
}

}  // namespace
}  // namespace velmora
