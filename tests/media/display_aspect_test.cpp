// SPDX-License-Identifier: GPL-3.0-or-later
// Pictures are shown in the shape the TV gives them, from their aspect ratio code.
#include "media/display_aspect.h"

#include <gtest/gtest.h>

#include "media/first_picture.h"
#include "tests/fixtures/fixture_streams.h"

namespace velmora {
namespace {

TEST(DisplayAspect, FourByThreePalIsShownWiderAndNtscNarrower) {
    // mpeg2enc -a 2: the whole picture is 4:3.
    const auto pal = fixtures::mpeg2Still(720, 576, false);
    const auto ntsc = fixtures::mpeg2Still(720, 480, true);
    EXPECT_EQ(displayWidth(720, mpeg2PixelAspect(pal)), 768);
    EXPECT_EQ(displayWidth(720, mpeg2PixelAspect(ntsc)), 640);
    // The decoder reads the same shape from the stream (the before/after look uses it).
    for (const auto& [stream, width] : {std::pair{pal, 768}, std::pair{ntsc, 640}}) {
        const FirstPicture decoded = decodeFirstPicture(stream, VideoCodec::Mpeg2);
        ASSERT_TRUE(decoded.picture) << decoded.failure;
        EXPECT_EQ(displayWidth(decoded.picture->width,
                               PixelAspect{decoded.picture->aspectNum, decoded.picture->aspectDen}),
                  width);
    }
}

TEST(DisplayAspect, SquarePixelsOrNoCodeKeepTheStoredWidth) {
    std::vector<std::uint8_t> header = {0, 0, 1, 0xB3, 0x2D, 0x02, 0x40, 0x13};  // 720x576, code 1
    EXPECT_EQ(displayWidth(720, mpeg2PixelAspect(header)), 720);
    header[7] = 0x33;  // 16:9
    EXPECT_EQ(displayWidth(720, mpeg2PixelAspect(header)), 1024);
    header[7] = 0x03;  // code 0 is forbidden: as stored
    EXPECT_EQ(displayWidth(720, mpeg2PixelAspect(header)), 720);
    EXPECT_EQ(displayWidth(720, mpeg2PixelAspect({})), 720);
}

}  // namespace
}  // namespace velmora
