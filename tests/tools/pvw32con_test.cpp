// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"
#include "tests/tools/test_pictures.h"
#include "tests/tools/tool_run.h"
#include "tools/common/tool_main.h"
#include "tools/pvw32con/converter_options.h"

namespace velmora::testing {
namespace {

using tools::ColourDepth;
using tools::ConverterMode;

std::vector<std::string> words(const std::string& line) {
    std::vector<std::string> out;
    std::istringstream in(line);
    for (std::string word; in >> word;) out.push_back(word);
    return out;
}

// --- Options ---

TEST(Pvw32conOptions, ReadsTheFirstCommandWithEveryChoice) {
    const auto options =
        tools::parseConverterOptions(words("src.jpg -w --jh --o out.bmp --c16 --g --r270 --h --v"));
    EXPECT_EQ(options.mode, ConverterMode::Bitmap);
    EXPECT_EQ(options.source, "src.jpg");
    EXPECT_EQ(options.output, "out.bmp");
    EXPECT_EQ(options.colours, ColourDepth::Colours16);
    EXPECT_TRUE(options.greyscale);
    EXPECT_EQ(options.rotation, 270);
    EXPECT_TRUE(options.mirrorHorizontal);
    EXPECT_TRUE(options.mirrorVertical);

    const auto plain = tools::parseConverterOptions(words("src.jpg -w --jh --o out.bmp --24"));
    EXPECT_EQ(plain.colours, ColourDepth::TrueColour);
    EXPECT_FALSE(plain.greyscale);
    EXPECT_EQ(plain.rotation, 0);
    EXPECT_FALSE(plain.mirrorHorizontal || plain.mirrorVertical);
    EXPECT_EQ(tools::parseConverterOptions(words("a -w --o b --c256")).colours,
              ColourDepth::Colours256);
}

TEST(Pvw32conOptions, ReadsTheSecondCommandInAnyOrder) {
    for (const char* line : {"in.bmp -j --jq100 --o out.jpg --X720 --Y576",
                             "--Y576 --X720 --o out.jpg -j in.bmp --jq100"}) {
        const auto options = tools::parseConverterOptions(words(line));
        EXPECT_EQ(options.mode, ConverterMode::Jpeg);
        EXPECT_EQ(options.source, "in.bmp");
        EXPECT_EQ(options.output, "out.jpg");
        EXPECT_EQ(options.quality, 100);
        EXPECT_EQ(options.width, 720);
        EXPECT_EQ(options.height, 576);
    }
    EXPECT_EQ(tools::parseConverterOptions(words("a -j --jq75 --o b --X2 --Y2")).quality, 75);
}

TEST(Pvw32conOptions, RefusesWrongCommandsClearly) {
    const struct {
        const char* line;
        const char* message;
    } cases[] = {
        {"src -w --jh --o out.bmp --c8", "unknown option \"--c8\""},
        {"src -w --jh --o out.bmp --r45", "unknown option \"--r45\""},
        {"src -w -j --o out", "exclude each other"},
        {"src --o out.bmp --24", "-w"},
        {"src -w --jh", "--o"},
        {"src -w --jh --o", "--o needs"},
        {"-w --jh --o out.bmp", "source picture is missing"},
        {"a b -w --o out.bmp", "one source picture only"},
        {"src -w --o out.bmp --c16 --c256", "not both --c16 and --c256"},
        {"src -w --o out.bmp --24 --c16", "not both --24 and --c16"},
        {"src -w --o out.bmp --r90 --r180", "not both --r90 and --r180"},
        {"src -w --o out.bmp --X720", "--X720 belongs with -j"},
        {"src -j --o out.jpg --X720 --Y576 --g", "--g belongs with -w"},
        {"src -j --o out.jpg --X720 --Y576 --r90", "--r90 belongs with -w"},
        {"src -j --o out.jpg --X720", "--X{width} --Y{height}"},
        {"src -j --o out.jpg --X0 --Y576", "between 1 and 8191"},
        {"src -j --o out.jpg --Xwide --Y576", "whole number"},
        {"src -j --jq0 --o out.jpg --X720 --Y576", "between 1 and 100"},
        {"src -j --jq101 --o out.jpg --X720 --Y576", "between 1 and 100"},
        {"src -j --jq --o out.jpg --X720 --Y576", "whole number"},
    };
    for (const auto& c : cases) {
        try {
            (void)tools::parseConverterOptions(words(c.line));
            ADD_FAILURE() << c.line << " was accepted";
        } catch (const tools::UsageError& e) {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos)
                << c.line << ": " << e.what();
        }
    }
}

// --- The program ---

class Pvw32conProgram : public ::testing::Test {
  protected:
    // Runs "SRC -w --jh --o OUT.bmp" plus the options and reads the BMP back.
    RgbPicture bitmapOf(const std::string& source, const std::string& extraOptions) {
        const std::string out = dir_.file("out.bmp");
        std::filesystem::remove(out);
        std::vector<std::string> args = {source, "-w", "--jh", "--o", out};
        for (const auto& w : words(extraOptions)) args.push_back(w);
        const ToolRun run = runTool("pvw32con", args);
        EXPECT_EQ(run.exitCode, 0) << run.errorText;
        const auto bytes = readFile(out);
        EXPECT_EQ(bytes.at(0), 'B');
        EXPECT_EQ(bytes.at(1), 'M');
        EXPECT_EQ(bytes.at(14), 40) << "a plain BITMAPINFOHEADER";
        EXPECT_EQ(bytes.at(28), 24) << "24 bits per pixel";
        return loadPicture(out);
    }

    std::string colourfulSource() {
        const std::string path = dir_.file("colourful.png");
        savePicture(colourfulPicture(96, 64), path);
        return path;
    }

    TempDir dir_;
};

TEST_F(Pvw32conProgram, KeepsTheSizeAndEveryPixelWithoutOptions) {
    const RgbPicture source = colourfulPicture(96, 64);
    const std::string path = dir_.file("colourful.png");
    savePicture(source, path);
    for (const char* options : {"", "--24"}) {
        const RgbPicture out = bitmapOf(path, options);
        EXPECT_EQ(out.width, 96);
        EXPECT_EQ(out.height, 64);
        EXPECT_EQ(out.pixels, source.pixels);
    }
}

struct OrientationCase {
    const char* options;
    int x;  // where the marked pixel (3, 1) of a 10 x 6 picture ends up
    int y;
    bool swapsSize;
};

class Pvw32conOrientation : public Pvw32conProgram,
                            public ::testing::WithParamInterface<OrientationCase> {};

TEST_P(Pvw32conOrientation, MovesTheMarkedPixelWhereExpected) {
    const std::string source = dir_.file("marked.png");
    savePicture(markedPicture(10, 6, 3, 1), source);
    const RgbPicture out = bitmapOf(source, GetParam().options);
    EXPECT_EQ(out.width, GetParam().swapsSize ? 6 : 10);
    EXPECT_EQ(out.height, GetParam().swapsSize ? 10 : 6);
    for (int y = 0; y < out.height; ++y) {
        for (int x = 0; x < out.width; ++x) {
            const bool marked = x == GetParam().x && y == GetParam().y;
            const Rgb expected = marked ? Rgb{255, 0, 0} : Rgb{255, 255, 255};
            EXPECT_EQ(out.at(x, y), expected) << GetParam().options << " at " << x << "," << y;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Pvw32conOrientation,
    ::testing::Values(OrientationCase{"", 3, 1, false},
                      OrientationCase{"--r90", 4, 3, true},    // clockwise: (H-1-y, x)
                      OrientationCase{"--r180", 6, 4, false},  // (W-1-x, H-1-y)
                      OrientationCase{"--r270", 1, 6, true},   // (y, W-1-x)
                      OrientationCase{"--h", 6, 1, false},     // left to right
                      OrientationCase{"--v", 3, 4, false},     // top to bottom
                      OrientationCase{"--h --v", 6, 4, false},
                      // The mirror acts on the rotated picture.
                      OrientationCase{"--r90 --h", 1, 3, true},
                      OrientationCase{"--r90 --v", 4, 6, true}),
    [](const auto& param) {
        std::string name = "Options";
        for (const char c : std::string(param.param.options)) {
            if (std::isalnum(static_cast<unsigned char>(c))) name += c;
        }
        return name;
    });

TEST_F(Pvw32conProgram, ReducesTheColours) {
    const std::string source = colourfulSource();
    EXPECT_GT(distinctColours(bitmapOf(source, "--24")), 256U);
    const std::size_t colours256 = distinctColours(bitmapOf(source, "--c256"));
    EXPECT_LE(colours256, 256U);
    EXPECT_GT(colours256, 16U);
    EXPECT_LE(distinctColours(bitmapOf(source, "--c16")), 16U);
}

TEST_F(Pvw32conProgram, GreyscaleHasEqualChannels) {
    const std::string source = colourfulSource();
    for (const char* options : {"--g", "--g --c16", "--c256 --g --r90"}) {
        const RgbPicture out = bitmapOf(source, options);
        for (const Rgb& p : out.pixels) {
            ASSERT_TRUE(p.r == p.g && p.g == p.b) << options;
        }
        EXPECT_GT(distinctColours(out), 4U) << options << ": still a picture";
    }
    EXPECT_LE(distinctColours(bitmapOf(source, "--g --c16")), 16U);
}

TEST_F(Pvw32conProgram, ResizesExactlyAndWritesABaselineJpeg) {
    const std::string bmp = dir_.file("in.bmp");
    savePicture(colourfulPicture(96, 64), bmp);
    const std::string out = dir_.file("out.jpg");
    const ToolRun run = runTool("pvw32con", {bmp, "-j", "--jq100", "--o", out, "--X72", "--Y90"});
    ASSERT_EQ(run.exitCode, 0) << run.errorText;
    const auto bytes = readFile(out);
    ASSERT_GT(bytes.size(), 4U);
    EXPECT_EQ(bytes[0], 0xFF);
    EXPECT_EQ(bytes[1], 0xD8);
    const RgbPicture picture = loadPicture(out);
    EXPECT_EQ(picture.width, 72);
    EXPECT_EQ(picture.height, 90);
    bool baseline = false;
    bool progressive = false;
    for (std::size_t i = 0; i + 1 < bytes.size(); ++i) {
        baseline = baseline || (bytes[i] == 0xFF && bytes[i + 1] == 0xC0);
        progressive = progressive || (bytes[i] == 0xFF && bytes[i + 1] == 0xC2);
    }
    EXPECT_TRUE(baseline);
    EXPECT_FALSE(progressive);

    const std::string low = dir_.file("low.jpg");
    ASSERT_EQ(runTool("pvw32con", {bmp, "-j", "--jq20", "--o", low, "--X72", "--Y90"}).exitCode, 0);
    EXPECT_LT(readFile(low).size(), bytes.size());
}

// The two converter runs of a conversion, then the first encoder step on the result.
TEST_F(Pvw32conProgram, PreparesAPictureTheEncoderChainAccepts) {
    const std::string source = dir_.file("photo.jpg");
    savePicture(colourfulPicture(200, 150), source);
    const std::string bmp = dir_.file("$jpg_res.bmp");
    const std::string jpg = dir_.file("$jpg_res.jpg");
    ASSERT_EQ(
        runTool("pvw32con", {source, "-w", "--jh", "--o", bmp, "--c16", "--g", "--r270", "--v"})
            .exitCode,
        0);
    ASSERT_EQ(runTool("pvw32con", {bmp, "-j", "--jq100", "--o", jpg, "--X720", "--Y576"}).exitCode,
              0);
    const std::string yuv = dir_.file("x.yuv");
    ASSERT_EQ(runShellLine(shellQuoted(toolPath("jpeg2yuv")) + " -Ip -L0 -n1 -v0 -f25 -j " +
                           shellQuoted(jpg) + " | " + shellQuoted(toolPath("yuvscaler")) +
                           " -v 0 -M NO_HEADER | " + shellQuoted(toolPath("pixmend")) + " > " +
                           shellQuoted(yuv)),
              0);
    EXPECT_EQ(readFile(yuv).size(), 720U * 576U * 3U / 2U);
}

TEST_F(Pvw32conProgram, FailsOnMissingOrUnreadableSourceAndWritesNothing) {
    const std::string out = dir_.file("out.bmp");
    ToolRun run = runTool("pvw32con", {dir_.file("missing.jpg"), "-w", "--jh", "--o", out});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.errorText.find("missing.jpg"), std::string::npos) << run.errorText;
    EXPECT_FALSE(std::filesystem::exists(out));

    const std::string text = dir_.writeText("notes.jpg", "not a picture at all");
    run = runTool("pvw32con", {text, "-w", "--jh", "--o", out});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.errorText.find("no picture that can be read"), std::string::npos)
        << run.errorText;
    EXPECT_FALSE(std::filesystem::exists(out));

    run = runTool("pvw32con", {text, "-w", "--jh", "--o", out, "--sepia"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.errorText.find("--sepia"), std::string::npos) << run.errorText;
    EXPECT_EQ(runTool("pvw32con", {}).exitCode, 2);
    EXPECT_EQ(runTool("pvw32con", {"--help"}).exitCode, 0);
}

}  // namespace
}  // namespace velmora::testing
