// SPDX-License-Identifier: GPL-3.0-or-later
// TGA files as another program writes them: ImageMagick's convert, in every
// type it makes, compared pixel by pixel with the picture it was given.
#include <unistd.h>

#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "media/targa.h"
#include "tests/support/temp_dir.h"

namespace velmora {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr const char* kConvert = "/usr/bin/convert";
constexpr int kWidth = 37;  // odd, so no row is a whole number of words
constexpr int kHeight = 23;

// Pixel (x, y), y counted from the top, as red, green, blue, alpha. Few
// colours (a colour map holds them all), flat stretches (run-length packets
// have runs to find) and a different value at every corner.
std::array<std::uint8_t, 4> sourcePixel(int x, int y, bool grey) {
    const auto r = static_cast<std::uint8_t>((x / 8) * 60);
    const auto g = static_cast<std::uint8_t>((y / 4) * 40 + (x % 3 == 0 ? 3 : 0));
    const auto b = static_cast<std::uint8_t>(x < 3 && y < 3 ? 250 : (x + y) % 2 * 100);
    const auto a = static_cast<std::uint8_t>(255 - y * 7);
    if (grey) {
        const auto v = static_cast<std::uint8_t>((r + g) / 2);
        return {v, v, v, a};
    }
    return {r, g, b, a};
}

// A PAM file (which ImageMagick reads with its alpha channel).
Bytes sourcePam(bool grey) {
    const std::string header = "P7\nWIDTH " + std::to_string(kWidth) + "\nHEIGHT " +
                               std::to_string(kHeight) +
                               "\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n";
    Bytes file(header.begin(), header.end());
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const auto p = sourcePixel(x, y, grey);
            file.insert(file.end(), p.begin(), p.end());
        }
    return file;
}

// What the loader must deliver: bottom row first, blue, green, red (, alpha).
Bytes expectedPixels(bool grey, int bytesPerPixel) {
    Bytes out;
    for (int y = kHeight - 1; y >= 0; --y)
        for (int x = 0; x < kWidth; ++x) {
            const auto p = sourcePixel(x, y, grey);
            out.insert(out.end(), {p[2], p[1], p[0]});
            if (bytesPerPixel == 4) out.push_back(p[3]);
        }
    return out;
}

struct MagickCase {
    const char* name;
    const char* options;
    std::uint8_t type;
    bool grey;
    int bytesPerPixel;
};

const MagickCase kCases[] = {
    {"true colour", "-alpha off", 2, false, 3},
    {"true colour rle", "-alpha off -compress RLE", 10, false, 3},
    {"true colour alpha", "-type TrueColorAlpha", 2, false, 4},
    {"true colour alpha rle", "-type TrueColorAlpha -compress RLE", 10, false, 4},
    {"colour mapped", "-alpha off +dither -type Palette", 1, false, 3},
    {"colour mapped rle", "-alpha off +dither -type Palette -compress RLE", 9, false, 3},
    {"grey", "-alpha off -type Grayscale", 3, true, 3},
    {"grey rle", "-alpha off -type Grayscale -compress RLE", 11, true, 3},
};

// The same file decoded by FFmpeg's TGA decoder, rows turned bottom first.
Bytes decodedByFfmpeg(const std::string& tga, const std::string& raw, int bytesPerPixel) {
    const std::string command = "ffmpeg -v error -y -i '" + tga + "' -f rawvideo -pix_fmt " +
                                (bytesPerPixel == 4 ? "bgra" : "bgr24") + " '" + raw + "'";
    if (std::system(command.c_str()) != 0) return {};
    const Bytes topDown = testing::readFile(raw);
    const std::size_t row = static_cast<std::size_t>(kWidth * bytesPerPixel);
    Bytes bottomUp;
    for (std::size_t r = topDown.size() / row; r-- > 0;)
        bottomUp.insert(bottomUp.end(), topDown.begin() + static_cast<std::ptrdiff_t>(r * row),
                        topDown.begin() + static_cast<std::ptrdiff_t>((r + 1) * row));
    return bottomUp;
}

bool haveTool(const char* command) {
    return std::system((std::string(command) + " >/dev/null 2>&1").c_str()) == 0;
}

// ImageMagick writes its rows top first; with -orient TopLeft it says so in
// the descriptor, without it the file claims bottom first (and every other
// reader shows it upside down). Both are decoded as the descriptor says, the
// same as FFmpeg's decoder does; the honest files give back the source.
TEST(TargaFromImageMagick, EveryTypeDecodesAsFfmpegDecodesIt) {
    if (::access(kConvert, X_OK) != 0) GTEST_SKIP() << "ImageMagick's convert is not installed";
    if (!haveTool("ffmpeg -version")) GTEST_SKIP() << "ffmpeg is not installed";
    testing::TempDir dir;
    const std::string colour = dir.write("colour.pam", sourcePam(false));
    const std::string grey = dir.write("grey.pam", sourcePam(true));
    for (const auto& c : kCases) {
        for (bool topLeft : {false, true}) {
            SCOPED_TRACE(std::string(c.name) + (topLeft ? ", top left" : ", bottom left"));
            const std::string out =
                dir.file(std::string(c.name) + std::to_string(topLeft) + ".tga");
            const std::string command = std::string(kConvert) + " '" + (c.grey ? grey : colour) +
                                        "' " + c.options + (topLeft ? " -orient TopLeft" : "") +
                                        " 'tga:" + out + "'";
            ASSERT_EQ(std::system(command.c_str()), 0) << command;
            TargaImage image;
            ASSERT_TRUE(LoadTarga(out, image));
            EXPECT_EQ(image.ImageType, c.type);
            EXPECT_EQ((image.ImageDescriptor & 0x20) != 0, topLeft);
            EXPECT_EQ(image.Width, kWidth);
            EXPECT_EQ(image.Height, kHeight);
            EXPECT_EQ(image.bytesPerPixel(), c.bytesPerPixel);
            EXPECT_EQ(image.Pixels, decodedByFfmpeg(out, out + ".raw", c.bytesPerPixel));
            if (topLeft && !c.grey) {
                EXPECT_EQ(image.Pixels, expectedPixels(false, c.bytesPerPixel));
            }
        }
    }
}

// ImageMagick writes no 16-bit files; FFmpeg's TGA encoder does, run-length
// encoded where that is shorter, from 16-bit words we give it as they are.
TEST(TargaFromFfmpeg, SixteenBitFilesWidenEveryChannelByAShiftOfThree) {
    if (!haveTool("ffmpeg -version")) GTEST_SKIP() << "ffmpeg is not installed";
    testing::TempDir dir;
    for (bool flat : {true, false}) {
        SCOPED_TRACE(flat ? "flat stretches" : "busy");
        Bytes words;
        Bytes expected;  // bottom row first
        std::vector<Bytes> rows(kHeight);
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                const unsigned w = (flat ? (unsigned(x / 6) << 10) | (unsigned(y / 3) << 5)
                                         : unsigned(x * 811 + y * 97)) |
                                   (x + y > 40 ? 31u : 0u) | (x == y ? 0x8000u : 0u);
                words.insert(words.end(),
                             {static_cast<std::uint8_t>(w), static_cast<std::uint8_t>(w >> 8)});
                rows[static_cast<std::size_t>(y)].insert(
                    rows[static_cast<std::size_t>(y)].end(),
                    {static_cast<std::uint8_t>((w & 0x1F) << 3),
                     static_cast<std::uint8_t>(((w >> 5) & 0x1F) << 3),
                     static_cast<std::uint8_t>(((w >> 10) & 0x1F) << 3)});
            }
        for (auto r = rows.rbegin(); r != rows.rend(); ++r)
            expected.insert(expected.end(), r->begin(), r->end());
        const std::string raw = dir.write("words.raw", words);
        const std::string out = dir.file(std::string(flat ? "flat" : "busy") + ".tga");
        const std::string command = "ffmpeg -v error -y -f rawvideo -pix_fmt rgb555le -s " +
                                    std::to_string(kWidth) + "x" + std::to_string(kHeight) +
                                    " -i '" + raw + "' -pix_fmt rgb555le '" + out + "'";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
        TargaImage image;
        ASSERT_TRUE(LoadTarga(out, image));
        EXPECT_EQ(image.ImageType, flat ? 10 : 2);
        EXPECT_EQ(image.PixelDepth, 24);
        EXPECT_EQ(image.Pixels, expected);
    }
}

}  // namespace
}  // namespace velmora
