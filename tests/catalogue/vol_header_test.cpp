// SPDX-License-Identifier: GPL-3.0-or-later
#include "catalogue/vol_header.h"

#include <gtest/gtest.h>

#include "tests/catalogue/synthetic_streams.h"

namespace velmora {
namespace {

using testing::VolFields;

struct VolCase {
    const char* name;
    VolFields fields;
};

class VolHeaderSize : public ::testing::TestWithParam<VolCase> {};

TEST_P(VolHeaderSize, EveryOptionalFieldShiftsTheSizeCorrectly) {
    const VolFields& f = GetParam().fields;
    const auto header = testing::volHeader(f);
    const VolSize size = parseVolSize(header);
    EXPECT_EQ(size.width, f.width);
    EXPECT_EQ(size.height, f.height);
}

VolFields with(auto change) {
    VolFields f;
    change(f);
    return f;
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, VolHeaderSize,
    ::testing::Values(
        VolCase{"plain", VolFields{}},
        VolCase{"ntsc", with([](VolFields& f) { f.width = 640, f.height = 480; })},
        VolCase{"identifier",
                with([](VolFields& f) { f.objectLayerIdentifier = true, f.verid = 2; })},
        VolCase{"extendedAspect", with([](VolFields& f) { f.aspectRatio = 15; })},
        VolCase{"controlNoVbv", with([](VolFields& f) { f.controlParameters = true; })},
        VolCase{"controlVbv",
                with([](VolFields& f) { f.controlParameters = f.vbvParameters = true; })},
        VolCase{"grayscaleVersion2", with([](VolFields& f) {
                    f.objectLayerIdentifier = true, f.verid = 2, f.shape = 3;
                })},
        VolCase{"grayscaleVersion1", with([](VolFields& f) {
                    f.objectLayerIdentifier = true, f.verid = 1, f.shape = 3;
                })},
        VolCase{"fixedRate25", with([](VolFields& f) { f.fixedVopRate = true; })},
        VolCase{"fixedRate30000", with([](VolFields& f) {
                    f.fixedVopRate = true, f.resolution = 30000, f.width = 8191, f.height = 1;
                })},
        VolCase{"fixedRate1", with([](VolFields& f) { f.fixedVopRate = true, f.resolution = 1; })},
        VolCase{"everything", with([](VolFields& f) {
                    f.objectLayerIdentifier = true, f.verid = 2, f.aspectRatio = 15;
                    f.controlParameters = f.vbvParameters = true, f.shape = 3;
                    f.fixedVopRate = true, f.resolution = 1001;
                })}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(VolHeader, BitsPastTheHeaderReadAsZero) {
    auto header = testing::volHeader(VolFields{});
    header.resize(8);
    const VolSize size = parseVolSize(header);
    EXPECT_EQ(size.width, 0);
    EXPECT_EQ(size.height, 0);
}

}  // namespace
}  // namespace velmora
