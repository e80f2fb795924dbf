// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/temp_dir.h"
#include "tests/tools/test_pictures.h"
#include "tests/tools/tool_run.h"
#include "tools/common/tool_main.h"
#include "tools/pixmend/frame_filter.h"

namespace velmora::testing {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes bytesOf(const std::string& text) {
    return {text.begin(), text.end()};
}

Bytes concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

// A frame of `size` bytes that counts up from `seed`, so frames are told apart.
Bytes frameData(std::size_t size, std::uint8_t seed) {
    Bytes frame(size);
    for (std::size_t i = 0; i < size; ++i) frame[i] = static_cast<std::uint8_t>(seed + i * 7);
    return frame;
}

struct FilterCase {
    const char* name;
    Bytes input;
    Bytes expected;
};

class PixmendFilter : public ::testing::TestWithParam<FilterCase> {};

TEST_P(PixmendFilter, LeavesOnlyTheFrames) {
    EXPECT_EQ(tools::stripFrameLines(GetParam().input), GetParam().expected);
}

const Bytes kA = frameData(24, 1);
const Bytes kB = frameData(24, 90);
// A frame whose data happens to hold the text of a frame line, in the middle.
const Bytes kTricky = concat({frameData(10, 3), bytesOf("FRAME\n"), frameData(8, 5)});
const Bytes kTricky2 = concat({frameData(10, 40), bytesOf("FRAME\n"), frameData(8, 50)});

INSTANTIATE_TEST_SUITE_P(
    Cases, PixmendFilter,
    ::testing::Values(
        FilterCase{"OneFrame", concat({bytesOf("FRAME\n"), kA}), kA},
        FilterCase{"TwoFrames", concat({bytesOf("FRAME\n"), kA, bytesOf("FRAME\n"), kB}),
                   concat({kA, kB})},
        FilterCase{"FrameLineWithParameters",
                   concat({bytesOf("FRAME Ip XUSER\n"), kA, bytesOf("FRAME Ip\n"), kB}),
                   concat({kA, kB})},
        FilterCase{"NoFrameLineAtAll", kA, kA},
        FilterCase{"FrameTextInsideOneFrame", concat({bytesOf("FRAME\n"), kTricky}), kTricky},
        FilterCase{"FrameTextInsideTwoFrames",
                   concat({bytesOf("FRAME\n"), kTricky, bytesOf("FRAME\n"), kTricky2}),
                   concat({kTricky, kTricky2})},
        // 4 x 2 pixels, 4:2:0: 8 luma and 2 + 2 chroma bytes per frame.
        FilterCase{"StreamHeaderGivesTheFrameSize",
                   concat({bytesOf("YUV4MPEG2 W4 H2 F25:1 Ip A1:1 C420jpeg\nFRAME\n"),
                           frameData(12, 1), bytesOf("FRAME\n"), frameData(12, 2)}),
                   concat({frameData(12, 1), frameData(12, 2)})},
        FilterCase{"StreamHeaderWithFrameTextInTheData",
                   concat({bytesOf("YUV4MPEG2 W4 H3 Cmono\nFRAME\n"), bytesOf("FRAME\nFRAME\n")}),
                   bytesOf("FRAME\nFRAME\n")}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(PixmendFilterFailures, RefusesEmptyAndBrokenInput) {
    const std::vector<Bytes> broken = {
        {},
        bytesOf("FRAME"),                                  // line without its end
        bytesOf("YUV4MPEG2 W4 H2\nFRAME\n12345"),          // frame cut off
        bytesOf("YUV4MPEG2 W4 H2\n"),                      // no frame
        bytesOf("YUV4MPEG2 F25:1\nFRAME\n1234"),           // no size
        bytesOf("YUV4MPEG2 W4 H2 C411\nFRAME\n12345678"),  // unknown chroma
        concat({bytesOf("YUV4MPEG2 W4 H2\nFRAME\n"), frameData(12, 1), bytesOf("junk")}),
    };
    for (const Bytes& input : broken) {
        EXPECT_THROW((void)tools::stripFrameLines(input), tools::ToolError)
            << std::string(input.begin(), input.end());
    }
}

TEST(PixmendProgram, FiltersStandardInputAndChecksItsArguments) {
    TempDir dir;
    const std::string in = dir.write("in.y4m", concat({bytesOf("FRAME\n"), kA}));
    const std::string out = dir.file("out.yuv");
    ToolRun run = runTool("pixmend", {}, in, out);
    EXPECT_EQ(run.exitCode, 0) << run.errorText;
    EXPECT_EQ(readFile(out), kA);

    run = runTool("pixmend", {"extra"}, in, out);
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.errorText.find("takes no arguments"), std::string::npos) << run.errorText;

    run = runTool("pixmend", {}, dir.write("empty", {}), out);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.errorText.find("empty"), std::string::npos) << run.errorText;

    const std::string help = dir.file("help.txt");
    run = runTool("pixmend", {"--help"}, {}, help);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_NE(readFile(help).size(), 0U);
}

// What jpeg2yuv | yuvscaler -M NO_HEADER really writes here: one frame line and the
// frame; pixmend must leave exactly width x height x 1.5 bytes.
TEST(PixmendProgram, TurnsTheScalerOutputIntoOneBareFrame) {
    TempDir dir;
    savePicture(colourfulPicture(64, 48), dir.file("x.jpg"));
    const std::string scaled = dir.file("scaled.y4m");
    const std::string bare = dir.file("x.yuv");
    ASSERT_EQ(
        runShellLine(shellQuoted(toolPath("jpeg2yuv")) + " -Ip -L0 -n1 -v0 -f25 -j " +
                     shellQuoted(dir.file("x.jpg")) + " | " + shellQuoted(toolPath("yuvscaler")) +
                     " -v 0 -M NO_HEADER > " + shellQuoted(scaled)),
        0);
    const Bytes scaledBytes = readFile(scaled);
    ASSERT_GT(scaledBytes.size(), 6U);
    EXPECT_EQ(std::string(scaledBytes.begin(), scaledBytes.begin() + 6), "FRAME\n");

    ASSERT_EQ(runTool("pixmend", {}, scaled, bare).exitCode, 0);
    const Bytes frame = readFile(bare);
    EXPECT_EQ(frame.size(), 64U * 48U * 3U / 2U);
    EXPECT_TRUE(std::equal(frame.begin(), frame.end(), scaledBytes.begin() + 6));
}

}  // namespace
}  // namespace velmora::testing
