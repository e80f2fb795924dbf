// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <vector>

#include "firmware/io_error.h"
#include "rewrite/byte_order_restore.h"
#include "rewrite/image_checksum.h"

namespace velmora {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(ImageChecksum, OddSizeGetsOneByteEvenSizeTwo) {
    struct Case {
        Bytes before;
        Bytes after;
    };
    const std::vector<Case> cases = {
        {{1, 2, 3, 4, 0x77}, {1, 2, 3, 4, 0x0A}},
        {{1, 2, 3, 4, 0x77, 0x66}, {1, 2, 3, 4, 0x0A, 0x0A}},
        {{0xFF, 0xFF, 0x00}, {0xFF, 0xFF, 0xFE}},
        {{0x42}, {0x00}},
    };
    for (const Case& c : cases) {
        ByteImage image("fw.img", c.before);
        (void)writeImageChecksum(image);
        EXPECT_EQ(image.bytes(), c.after);
    }
}

TEST(ImageChecksum, AnEmptyImageIsAnIoError) {
    ByteImage image("fw.img", {});
    EXPECT_THROW((void)writeImageChecksum(image), IoError);
}

TEST(ImageChecksum, OnlyImgNamesAreUpdateImages) {
    for (const char* yes : {"/a/fw.img", "FW.IMG", "x/fw.Img", "a.b.iMg"})
        EXPECT_TRUE(isUpdateImage(yes)) << yes;
    for (const char* no : {"/a/fw.image", "fw.bin", "fw.rom", "fwimg", "/x.img/fw", "fw.img.bak"})
        EXPECT_FALSE(isUpdateImage(no)) << no;
}

TEST(ByteOrderRestore, EveryWordHasItsBytesExchanged) {
    const ByteImage working("$tmp.bin", {1, 2, 3, 4, 5, 6});
    EXPECT_EQ(restoreStoredOrder(working), (Bytes{2, 1, 4, 3, 6, 5}));
}

TEST(ByteOrderRestore, AnOddWorkingCopyIsAnIoError) {
    const ByteImage working("$tmp.bin", {1, 2, 3});
    EXPECT_THROW((void)restoreStoredOrder(working), IoError);
}

}  // namespace
}  // namespace velmora
