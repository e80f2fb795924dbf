// SPDX-License-Identifier: GPL-3.0-or-later
// The search along lambda on a model encoder whose size falls with lambda as
// a photo's does, with the small wobble of a real encoder.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "convert/quality_search.h"

namespace velmora {
namespace {

struct ModelEncoder {
    ModelEncoder(double atFirst, double steepness) : scale(atFirst), slope(steepness) {}
    double scale;  // the size at lambda 472
    double slope;
    int finest = 0;  // below this lambda the size grows no more
    int calls = 0;
    std::vector<std::size_t> roundSizes;

    [[nodiscard]] std::size_t sizeAt(int lambda) const {
        lambda = std::max(lambda, finest);
        const double wobble = 1.0 + 0.003 * std::sin(lambda * 0.7);
        return static_cast<std::size_t>(scale * std::pow(lambda / 472.0, -slope) * wobble);
    }
};

QualitySearchSteps stepsFor(ModelEncoder& model, std::vector<std::int64_t>& logged) {
    QualitySearchSteps steps;
    steps.encode = [&model](const std::vector<EncoderSetting>& settings) {
        model.roundSizes.push_back(settings.size());
        std::vector<QualitySearchSteps::Stream> out;
        for (const EncoderSetting& s : settings) {
            ++model.calls;
            out.emplace_back(std::vector<std::uint8_t>(model.sizeAt(s.lambda)));
        }
        return out;
    };
    steps.cancelled = [] { return false; };
    steps.tried = [&logged](const EncoderSetting&, std::int64_t size, int, int) {
        logged.push_back(size);
    };
    return steps;
}

TEST(QualitySearch, TwoTriesSideBySideFillTheRoomWithinFewRoundsAndNeverExceedIt) {
    for (const double scale : {12000.0, 30000.0, 45000.0, 90000.0}) {
        for (const double slope : {0.7, 1.1, 1.6}) {
            SCOPED_TRACE(std::to_string(scale) + " " + std::to_string(slope));
            ModelEncoder model(scale, slope);
            std::vector<std::int64_t> logged;
            QualitySearchLimits limits;
            limits.sideBySide = 2;
            limits.goodEnough = 0.99;
            const QualitySearchResult found = searchQuality(31000, stepsFor(model, logged), limits);
            ASSERT_EQ(found.end, SearchEnd::Found);
            EXPECT_LE(found.stream.size(), 31000u);
            EXPECT_GE(found.stream.size(), 0.99 * 31000);
            EXPECT_EQ(found.setting.quantiser, 0);
            EXPECT_EQ(found.stream.size(), model.sizeAt(found.setting.lambda));
            EXPECT_LE(model.roundSizes.size(), 5u);
            for (const std::size_t n : model.roundSizes) EXPECT_LE(n, 2u);
            EXPECT_EQ(static_cast<int>(logged.size()), model.calls);
        }
    }
}

TEST(QualitySearch, OneTryAtATimeAlsoFillsTheRoom) {
    ModelEncoder model(60000, 0.9);
    std::vector<std::int64_t> logged;
    const QualitySearchResult found = searchQuality(40000, stepsFor(model, logged));
    ASSERT_EQ(found.end, SearchEnd::Found);
    EXPECT_LE(found.stream.size(), 40000u);
    EXPECT_GE(found.stream.size(), 0.995 * 40000);
    for (const std::size_t n : model.roundSizes) EXPECT_EQ(n, 1u);
}

TEST(QualitySearch, APictureWithNoDetailLeftForTheRoomStopsAtOnce) {
    ModelEncoder model(30000, 1.1);
    model.finest = 250;  // some 60 KB, however fine the setting
    std::vector<std::int64_t> logged;
    QualitySearchLimits limits;
    limits.sideBySide = 2;
    const QualitySearchResult found = searchQuality(100000, stepsFor(model, logged), limits);
    ASSERT_EQ(found.end, SearchEnd::Found);
    EXPECT_EQ(found.stream.size(), model.sizeAt(250));
    EXPECT_LE(model.calls, 6);
}

TEST(QualitySearch, ARoomNoSettingMeetsEndsWithNothingFits) {
    ModelEncoder model(900000, 1.0);
    std::vector<std::int64_t> logged;
    QualitySearchLimits limits;
    limits.sideBySide = 2;
    const QualitySearchResult found = searchQuality(500, stepsFor(model, logged), limits);
    EXPECT_EQ(found.end, SearchEnd::NothingFits);
    EXPECT_TRUE(found.stream.empty());
    EXPECT_LE(model.calls, limits.mostTries + 1);
}

}  // namespace
}  // namespace velmora
