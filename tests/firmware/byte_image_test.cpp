// SPDX-License-Identifier: GPL-3.0-or-later
#include "firmware/byte_image.h"

#include <gtest/gtest.h>

#include "firmware/byte_order.h"
#include "firmware/io_error.h"

namespace velmora {
namespace {

TEST(ByteImage, ReadsLittleEndianValues) {
    ByteImage image("dump.bin", {0x34, 0x12, 0x78, 0x56, 0xFF});
    EXPECT_EQ(image.u8(4), 0xFF);
    EXPECT_EQ(image.u16(0), 0x1234);
    EXPECT_EQ(image.u32(0), 0x56781234u);
}

TEST(ByteImage, ReadsOutsideFailLoudlyNamingFileAndOffset) {
    ByteImage image("dump.bin", std::vector<std::uint8_t>(0x20, 0));
    EXPECT_NO_THROW((void)image.u32(0x1C));
    try {
        (void)image.u32(0x1E);
        FAIL() << "no error";
    } catch (const IoError& e) {
        EXPECT_STREQ(e.what(), "Read past the end of dump.bin at offset 0x0000001E");
    }
    EXPECT_THROW((void)image.u8(-1), IoError);
    EXPECT_THROW((void)image.view(0x10, 0x11), IoError);
    EXPECT_THROW((void)image.u8(INT64_MAX), IoError);
}

TEST(ByteImage, WritesStayInsideOrFail) {
    ByteImage image("x", std::vector<std::uint8_t>(6, 0));
    image.put32(2, 0xAABBCCDD);
    image.put16(0, 0x0102);
    EXPECT_EQ(image.bytes(), (std::vector<std::uint8_t>{0x02, 0x01, 0xDD, 0xCC, 0xBB, 0xAA}));
    EXPECT_THROW(image.put32(3, 0), IoError);
    const std::vector<std::uint8_t> two{1, 2};
    EXPECT_THROW(image.putBytes(5, two), IoError);
    EXPECT_EQ(image.u8(5), 0xAA) << "a refused write changes nothing";
}

TEST(ByteOrder, RecognisesOnlyTheTwoSwappedFirstWords) {
    EXPECT_TRUE(isByteSwappedFirstWord(0xFAA1));  // bytes A1 FA
    EXPECT_TRUE(isByteSwappedFirstWord(0x00BE));  // bytes BE 00
    EXPECT_FALSE(isByteSwappedFirstWord(0xA1FA));
    EXPECT_FALSE(isByteSwappedFirstWord(0xBE00));
}

TEST(ByteOrder, SwapsEveryWordFromOffsetZero) {
    const std::vector<std::uint8_t> stored{0xA1, 0xFA, 0x01, 0x02};
    EXPECT_EQ(swapWordBytes(stored), (std::vector<std::uint8_t>{0xFA, 0xA1, 0x02, 0x01}));
}

}  // namespace
}  // namespace velmora
