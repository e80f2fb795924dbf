// SPDX-License-Identifier: GPL-3.0-or-later
#include "person/hex_text.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

TEST(HexText, FixedWidthUpperCase) {
    EXPECT_EQ(Hex8(128000), "0001F400");
    EXPECT_EQ(Hex4(0x12345), "2345");
    EXPECT_EQ(Hex2(10), "0A");
    EXPECT_EQ(Hex8(0xFFFFFFFF), "FFFFFFFF");
}

TEST(HexText, TwoDecimalsAsPrintfWritesThem) {
    EXPECT_EQ(fixed2(30000 / 1024.0, 5), "29.30");
    EXPECT_EQ(fixed2(49152 / 1024.0, 5), "48.00");
    EXPECT_EQ(fixed2(0.0, 5), " 0.00");
    EXPECT_EQ(fixed2(29.97, 4), "29.97");
    EXPECT_EQ(fixed2(25.0, 4), "25.00");
    EXPECT_EQ(fixed2(0.125, 4), "0.12") << "ties go to even on the exact binary value";
    EXPECT_EQ(fixed2(-0.001, 5), "-0.00");
    EXPECT_EQ(fixed2(123456.0, 5), "123456.00");
    EXPECT_EQ(padded(720, 4), " 720");
    EXPECT_EQ(padded(12345, 4), "12345");
}

}  // namespace
}  // namespace velmora
