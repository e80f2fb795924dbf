// SPDX-License-Identifier: GPL-3.0-or-later
#include "firmware/anchors.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

ByteImage imageWithCodeAt(std::int64_t at) {
    std::vector<std::uint8_t> bytes(0x1000, 0x11);
    const std::uint8_t code[4] = {0x8E, 0xD8, 0xBE, 0x00};
    std::copy(std::begin(code), std::end(code), bytes.begin() + at);
    bytes[static_cast<std::size_t>(at - 7)] = 0x34;
    bytes[static_cast<std::size_t>(at - 6)] = 0x12;
    bytes[static_cast<std::size_t>(at + 9)] = 0x00;
    bytes[static_cast<std::size_t>(at + 10)] = 0x10;
    return ByteImage("f.bin", std::move(bytes));
}

TEST(Anchors, ReadsSegmentAndLengthAroundTheCode) {
    const Anchors a = readAnchors(imageWithCodeAt(300), 0x31000);
    EXPECT_TRUE(a.codeFound);
    EXPECT_EQ(a.AnchorPage, 0x310);
    EXPECT_EQ(a.AnchorSegment, 0x1234);
    EXPECT_EQ(a.AnchorLength, 0x1000);
    EXPECT_EQ(a.SegmentBase, 0x4000u);
}

TEST(Anchors, CodeOnlyAt512OrBeyondIsNotFoundButThePageIsKept) {
    for (std::int64_t at : {512, 600}) {
        const Anchors a = readAnchors(imageWithCodeAt(at), 0x31000);
        EXPECT_FALSE(a.codeFound);
        EXPECT_EQ(a.AnchorPage, 0x310);
        EXPECT_EQ(a.AnchorSegment, 0);
        EXPECT_EQ(a.AnchorLength, 0);
        EXPECT_EQ(a.SegmentBase, 0u);
    }
    EXPECT_TRUE(readAnchors(imageWithCodeAt(511), 0x31000).codeFound);
    EXPECT_TRUE(readAnchors(imageWithCodeAt(256), 0x31000).codeFound);
}

TEST(Anchors, NoMarkerReadsNothing) {
    const Anchors a = readAnchors(ByteImage("tiny", {1, 2, 3}), 0);
    EXPECT_FALSE(a.codeFound);
    EXPECT_EQ(a.AnchorPage, 0);
}

TEST(Anchors, RegionIncludesBothEnds) {
    Anchors a;
    a.AnchorPage = 0x310;
    a.AnchorLength = 0x2000;
    EXPECT_FALSE(inAnchorRegion(a, 0x30FFF));
    EXPECT_TRUE(inAnchorRegion(a, 0x31000));
    EXPECT_TRUE(inAnchorRegion(a, 0x33000));
    EXPECT_FALSE(inAnchorRegion(a, 0x33001));
}

}  // namespace
}  // namespace velmora
