// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "catalogue/analysis.h"

namespace velmora {
namespace {

TEST(GridRow, Mpeg2RowTexts) {
    PictureEntry e;
    e.Kind = 2;
    e.Width = 720;
    e.Height = 480;
    e.FrameRate = 29.97;
    e.Start = 0x12340;
    e.DataSize = 30000;
    e.Spare = 0;
    e.PointerAddr = 0x2000;
    const auto row = gridRow(e, 3);
    EXPECT_EQ(row[0], "3*");
    EXPECT_EQ(row[1], "MPEG2 Video  720x 480, 29.97 fps");
    EXPECT_EQ(row[2], "0x00012340");
    EXPECT_EQ(row[3], "30000 B (29.30 kB)");
    EXPECT_EQ(row[4], "0 B ( 0.00 kB)");
}

TEST(GridRow, Mpeg4RowWithoutPointer) {
    PictureEntry e;
    e.Kind = 4;
    e.Width = 1920;
    e.Height = 1080;
    e.FrameRate = 25.0;
    e.DataSize = 123456;
    e.Spare = 1536;
    const auto row = gridRow(e, 12);
    EXPECT_EQ(row[0], "12");
    EXPECT_EQ(row[1], "MPEG4 Video 1920x1080, 25.00 fps");
    EXPECT_EQ(row[3], "123456 B (120.56 kB)");
    EXPECT_EQ(row[4], "1536 B ( 1.50 kB)");
}

}  // namespace
}  // namespace velmora
