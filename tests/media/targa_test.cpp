// SPDX-License-Identifier: GPL-3.0-or-later
#include "media/targa.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>

#include "firmware/io_error.h"
#include "tests/support/temp_dir.h"

namespace velmora {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A TGA file put together byte by byte.
struct TgaFile {
    std::uint8_t type = 2;
    std::uint8_t depth = 24;
    std::uint16_t width = 1;
    std::uint16_t height = 1;
    std::uint8_t descriptor = 0;
    Bytes id;
    std::uint8_t mapType = 0;
    std::uint16_t mapLength = 0;
    std::uint8_t mapEntrySize = 0;
    Bytes map;
    Bytes data;

    [[nodiscard]] Bytes bytes() const {
        const std::array<std::uint8_t, 18> header = {static_cast<std::uint8_t>(id.size()),
                                                     mapType,
                                                     type,
                                                     0,
                                                     0,
                                                     static_cast<std::uint8_t>(mapLength),
                                                     static_cast<std::uint8_t>(mapLength >> 8),
                                                     mapEntrySize,
                                                     0,
                                                     0,
                                                     0,
                                                     0,
                                                     static_cast<std::uint8_t>(width),
                                                     static_cast<std::uint8_t>(width >> 8),
                                                     static_cast<std::uint8_t>(height),
                                                     static_cast<std::uint8_t>(height >> 8),
                                                     depth,
                                                     descriptor};
        // Sized once and copied into: appending to the header makes GCC 12 at
        // -O3 warn of a copy past it (-Warray-bounds, a false alarm).
        Bytes b(header.size() + id.size() + map.size() + data.size());
        auto at = std::copy(header.begin(), header.end(), b.begin());
        at = std::copy(id.begin(), id.end(), at);
        at = std::copy(map.begin(), map.end(), at);
        std::copy(data.begin(), data.end(), at);
        return b;
    }
};

bool decode(const TgaFile& f, TargaImage& image) {
    return decodeTarga(ByteImage("pic.tga", f.bytes()), image);
}

Bytes decodedPixels(const TgaFile& f) {
    TargaImage image;
    EXPECT_TRUE(decode(f, image));
    return image.Pixels;
}

// A 3 x 2 true-colour picture whose pixel n holds n*10+1, n*10+2, n*10+3.
TgaFile threeByTwo(std::uint8_t descriptor) {
    TgaFile f;
    f.width = 3;
    f.height = 2;
    f.descriptor = descriptor;
    for (std::uint8_t n = 0; n < 6; ++n)
        f.data.insert(f.data.end(),
                      {static_cast<std::uint8_t>(n * 10 + 1), static_cast<std::uint8_t>(n * 10 + 2),
                       static_cast<std::uint8_t>(n * 10 + 3)});
    return f;
}

Bytes pixelsInOrder(std::initializer_list<int> order) {
    Bytes out;
    for (int n : order)
        out.insert(out.end(),
                   {static_cast<std::uint8_t>(n * 10 + 1), static_cast<std::uint8_t>(n * 10 + 2),
                    static_cast<std::uint8_t>(n * 10 + 3)});
    return out;
}

TEST(Targa, OrientationBitsAlwaysDeliverTheBottomRowFirstLeftToRight) {
    struct Case {
        std::uint8_t descriptor;
        Bytes expected;
    };
    const Case cases[] = {
        {0x00, pixelsInOrder({0, 1, 2, 3, 4, 5})},
        {0x20, pixelsInOrder({3, 4, 5, 0, 1, 2})},  // rows stored top to bottom
        {0x10, pixelsInOrder({2, 1, 0, 5, 4, 3})},  // rows stored right to left
        {0x30, pixelsInOrder({5, 4, 3, 2, 1, 0})},
        {0x0F, pixelsInOrder({0, 1, 2, 3, 4, 5})},  // attribute bits are not looked at
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(int{c.descriptor});
        EXPECT_EQ(decodedPixels(threeByTwo(c.descriptor)), c.expected);
    }
}

TEST(Targa, SixteenBitPixelsWidenByAShiftOfThree) {
    TgaFile f;
    f.depth = 16;
    f.width = 4;
    f.data = {0xFF, 0x7F, 0x00, 0x80, 0x1F, 0x00, 0x00, 0x7C};  // 7FFF, 8000, 001F, 7C00
    TargaImage image;
    ASSERT_TRUE(decode(f, image));
    EXPECT_EQ(image.PixelDepth, 24);
    EXPECT_EQ(image.Pixels, (Bytes{248, 248, 248, 0, 0, 0, 248, 0, 0, 0, 0, 248}));
}

TEST(Targa, RunLengthPacketsRunAcrossRows) {
    TgaFile f;
    f.type = 10;
    f.width = 3;
    f.height = 3;
    // A run of six (two whole rows), then a raw packet of three.
    f.data = {0x85, 1, 2, 3, 0x02, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    Bytes expected;
    for (int i = 0; i < 6; ++i) expected.insert(expected.end(), {1, 2, 3});
    expected.insert(expected.end(), {4, 5, 6, 7, 8, 9, 10, 11, 12});
    EXPECT_EQ(decodedPixels(f), expected);
}

TEST(Targa, RunLengthDataBeyondTheLastPixelIsIgnored) {
    TgaFile f;
    f.type = 10;
    f.width = 2;
    f.height = 2;
    f.data = {0x87, 9, 8, 7};  // a run of eight for four pixels
    EXPECT_EQ(decodedPixels(f), (Bytes{9, 8, 7, 9, 8, 7, 9, 8, 7, 9, 8, 7}));
    // A raw packet that goes on past the last pixel, into values never sent.
    f.data = {0x01, 1, 1, 1, 2, 2, 2, 0x7F, 3, 3, 3, 4, 4, 4};
    EXPECT_EQ(decodedPixels(f), (Bytes{1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4}));
}

TEST(Targa, EveryDepthAndTypeOfTheTableIsDelivered) {
    struct Case {
        const char* name;
        TgaFile file;
        int depthAfter;
        Bytes pixels;
    };
    auto mapped = [](std::uint8_t type, Bytes data) {
        TgaFile f;
        f.type = type;
        f.depth = 8;
        f.width = 2;
        f.mapType = 1;
        f.mapLength = 3;
        f.mapEntrySize = 24;
        f.map = {10, 11, 12, 20, 21, 22, 30, 31, 32};
        f.data = std::move(data);
        return f;
    };
    auto plain = [](std::uint8_t type, std::uint8_t depth, Bytes data) {
        TgaFile f;
        f.type = type;
        f.depth = depth;
        f.width = 2;
        f.data = std::move(data);
        return f;
    };
    const Case cases[] = {
        {"mapped", mapped(1, {2, 0}), 24, {30, 31, 32, 10, 11, 12}},
        {"mapped rle", mapped(9, {0x81, 1}), 24, {20, 21, 22, 20, 21, 22}},
        {"grey", plain(3, 8, {7, 200}), 24, {7, 7, 7, 200, 200, 200}},
        {"grey rle", plain(11, 8, {0x01, 7, 200}), 24, {7, 7, 7, 200, 200, 200}},
        {"16", plain(2, 16, {0x1F, 0x00, 0xE0, 0x03}), 24, {248, 0, 0, 0, 248, 0}},
        {"16 rle", plain(10, 16, {0x81, 0x00, 0x7C}), 24, {0, 0, 248, 0, 0, 248}},
        {"24", plain(2, 24, {1, 2, 3, 4, 5, 6}), 24, {1, 2, 3, 4, 5, 6}},
        {"24 rle", plain(10, 24, {0x81, 1, 2, 3}), 24, {1, 2, 3, 1, 2, 3}},
        {"32", plain(2, 32, {1, 2, 3, 4, 5, 6, 7, 8}), 32, {1, 2, 3, 4, 5, 6, 7, 8}},
        {"32 rle", plain(10, 32, {0x81, 1, 2, 3, 4}), 32, {1, 2, 3, 4, 1, 2, 3, 4}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TargaImage image;
        ASSERT_TRUE(decode(c.file, image));
        EXPECT_EQ(image.PixelDepth, c.depthAfter);
        EXPECT_EQ(image.Pixels, c.pixels);
    }
}

TEST(Targa, UnsupportedKindsDeliverNoPixels) {
    struct Case {
        const char* name;
        TgaFile file;
    };
    auto make = [](std::uint8_t type, std::uint8_t depth, std::uint16_t w, std::uint16_t h) {
        TgaFile f;
        f.type = type;
        f.depth = depth;
        f.width = w;
        f.height = h;
        f.data.assign(64, 0x01);
        return f;
    };
    TgaFile map16 = make(1, 8, 2, 1);
    map16.mapType = 1;
    map16.mapLength = 2;
    map16.mapEntrySize = 16;
    map16.map = {0, 0, 0, 0};
    TgaFile noMap = make(1, 8, 2, 1);
    TgaFile mapped16 = make(1, 16, 2, 1);
    mapped16.mapType = 1;
    mapped16.mapLength = 1;
    mapped16.mapEntrySize = 24;
    mapped16.map = {1, 2, 3};
    const Case cases[] = {
        {"16-bit colour map", map16},
        {"colour-mapped without a map", noMap},
        {"mapped with 16-bit indices", mapped16},
        {"15-bit true colour", make(2, 15, 2, 1)},
        {"8-bit true colour", make(2, 8, 2, 1)},
        {"24-bit grey", make(3, 24, 2, 1)},
        {"no image data", make(0, 24, 2, 1)},
        {"unknown type", make(32, 24, 2, 1)},
        {"zero width", make(2, 24, 0, 5)},
        {"zero height", make(2, 24, 5, 0)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TargaImage image;
        image.Pixels = {1, 2, 3};  // left from an earlier load: must go
        EXPECT_FALSE(decode(c.file, image));
        EXPECT_TRUE(image.Pixels.empty());
    }
}

TEST(Targa, AColourIndexBeyondTheMapFailsTheLoad) {
    for (std::uint8_t type : {std::uint8_t{1}, std::uint8_t{9}}) {
        TgaFile f;
        f.type = type;
        f.depth = 8;
        f.width = 2;
        f.mapType = 1;
        f.mapLength = 2;
        f.mapEntrySize = 24;
        f.map = {1, 1, 1, 2, 2, 2};
        f.data = type == 1 ? Bytes{1, 2} : Bytes{0x00, 1, 0x00, 2};
        TargaImage image;
        EXPECT_FALSE(decode(f, image));
        EXPECT_TRUE(image.Pixels.empty());
        f.data = type == 1 ? Bytes{1, 0} : Bytes{0x81, 1};
        EXPECT_TRUE(decode(f, image));
    }
}

TEST(Targa, TheImageIdAndAnUnusedColourMapAreSkipped) {
    TgaFile f = threeByTwo(0);
    f.id = {'h', 'e', 'l', 'l', 'o'};
    f.mapType = 1;
    f.mapLength = 2;
    f.mapEntrySize = 15;  // two bytes per entry
    f.map = {0xAA, 0xAA, 0xBB, 0xBB};
    EXPECT_EQ(decodedPixels(f), pixelsInOrder({0, 1, 2, 3, 4, 5}));
}

TEST(Targa, TruncatedFilesFailWithAnIoErrorNamingTheFile) {
    const Bytes whole = threeByTwo(0).bytes();
    TgaFile rle;
    rle.type = 10;
    rle.width = 4;
    rle.data = {0x01, 1, 2, 3, 4, 5, 6, 0x81, 7, 8, 9};
    const Bytes wholeRle = rle.bytes();
    for (const Bytes* file : {&whole, &wholeRle}) {
        for (std::size_t cut :
             {std::size_t{0}, std::size_t{5}, std::size_t{17}, std::size_t{18}, file->size() - 1}) {
            SCOPED_TRACE(cut);
            TargaImage image;
            try {
                (void)decodeTarga(ByteImage("cut.tga", Bytes(file->begin(), file->begin() + cut)),
                                  image);
                FAIL() << "no IoError";
            } catch (const IoError& e) {
                EXPECT_NE(std::string(e.what()).find("cut.tga"), std::string::npos);
            }
            EXPECT_TRUE(image.Pixels.empty());
        }
    }
}

TEST(Targa, AbsurdSizesAreRefusedBeforeAnythingIsAllocated) {
    TgaFile huge;
    huge.depth = 32;
    huge.width = 65535;
    huge.height = 65535;
    huge.data.assign(100, 0);
    TargaImage image;
    EXPECT_FALSE(decode(huge, image));  // beyond any picture we show
    TgaFile big;
    big.width = 4000;
    big.height = 4000;
    big.data.assign(100, 0);
    EXPECT_THROW((void)decode(big, image), IoError);  // far more than the file holds
    big.type = 10;
    EXPECT_THROW((void)decode(big, image), IoError);
    EXPECT_TRUE(image.Pixels.empty());
}

TEST(LoadTarga, AMissingFileIsNoPictureAndNoError) {
    testing::TempDir dir;
    TargaImage image;
    EXPECT_FALSE(LoadTarga(dir.file("none.tga"), image));
    EXPECT_FALSE(LoadTarga(dir.path(), image));
    EXPECT_TRUE(image.Pixels.empty());
}

TEST(LoadTarga, ReadsAFileFromDisk) {
    testing::TempDir dir;
    const auto path = dir.write("p.tga", threeByTwo(0x20).bytes());
    TargaImage image;
    ASSERT_TRUE(LoadTarga(path, image));
    EXPECT_EQ(image.Width, 3);
    EXPECT_EQ(image.Height, 2);
    EXPECT_EQ(image.Pixels, pixelsInOrder({3, 4, 5, 0, 1, 2}));
}

}  // namespace
}  // namespace velmora
