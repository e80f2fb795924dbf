// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"
#include "tests/tools/test_pictures.h"
#include "tests/tools/tool_run.h"
#include "tools/common/tool_main.h"
#include "tools/mpeg2decode/decode_options.h"
#include "tools/mpeg2decode/tga_file.h"

namespace velmora::testing {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(Mpeg2decodeOptions, ReadsTheDecoderCommand) {
    const auto options =
        tools::parseDecodeOptions({"-b", "/tmp/$mpeg.m2v", "-f", "-r", "-o2", "/tmp/$tga"});
    EXPECT_EQ(options.input, "/tmp/$mpeg.m2v");
    EXPECT_EQ(options.outputBase, "/tmp/$tga");
}

TEST(Mpeg2decodeOptions, RefusesWrongCommands) {
    const struct {
        std::vector<std::string> args;
        const char* message;
    } cases[] = {
        {{"-b", "in", "-f", "-r", "-o3", "out"}, "only -o2"},
        {{"-b", "in", "-x", "-o2", "out"}, "unknown option \"-x\""},
        {{"-f", "-r", "-o2", "out"}, "-b FILE"},
        {{"-b", "in", "-f", "-r"}, "-o2 NAME"},
        {{"-b", "in", "-o2"}, "-o2 needs"},
        {{"-b"}, "-b needs"},
        {{"in.m2v", "-o2", "out"}, "unknown option \"in.m2v\""},
    };
    for (const auto& c : cases) {
        try {
            (void)tools::parseDecodeOptions(c.args);
            ADD_FAILURE() << c.message << ": accepted";
        } catch (const tools::UsageError& e) {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
        }
    }
}

TEST(Mpeg2decodeTga, WritesAHeaderAndBottomUpRows) {
    // 2 x 2: top row blue, white; bottom row red, green (given as blue, green, red).
    const tools::BgrPicture picture{2, 2, {255, 0, 0, 255, 255, 255, 0, 0, 255, 0, 255, 0}};
    const Bytes expected = {
        0,   0, 2,   0,   0,   0,   0, 0, 0, 0, 0, 0, 2, 0, 2, 0, 24, 0,  // header
        0,   0, 255, 0,   255, 0,                                         // bottom row first
        255, 0, 0,   255, 255, 255,                                       // then the top row
    };
    EXPECT_EQ(tools::tgaFileOf(picture), expected);
}

TEST(Mpeg2decodeTga, WritesSixteenBitSizesLittleEndian) {
    const tools::BgrPicture wide{300, 1, Bytes(900, 7)};
    const Bytes file = tools::tgaFileOf(wide);
    EXPECT_EQ(file[12], 300 & 0xFF);
    EXPECT_EQ(file[13], 300 >> 8);
    EXPECT_EQ(file.size(), 18U + 900U);
}

TEST(Mpeg2decodeTga, RefusesPicturesATgaCannotHold) {
    EXPECT_THROW((void)tools::tgaFileOf({0, 5, {}}), tools::ToolError);
    EXPECT_THROW((void)tools::tgaFileOf({70000, 1, Bytes(210000)}), tools::ToolError);
    EXPECT_THROW((void)tools::tgaFileOf({2, 2, Bytes(11)}), tools::ToolError);
}

class Mpeg2decodeProgram : public ::testing::Test {
  protected:
    // An MPEG-2 still of `source`, made as the conversion makes it.
    std::string encode(const RgbPicture& source, const std::string& options) {
        const std::string jpeg = dir_.file("source.jpg");
        savePicture(source, jpeg);
        const std::string stream = dir_.file("$mpeg.m2v");
        const int status =
            runShellLine(shellQuoted(toolPath("jpeg2yuv")) + " -Ip -L0 -n1 -v0 " + options +
                         " -j " + shellQuoted(jpeg) + " | " + shellQuoted(toolPath("mpeg2enc")) +
                         (options == "-f29.97" ? " -f 8 -n n" : " -f 3 -n p") +
                         " -b 7000 -r 16 -a 2 -v 0 -o " + shellQuoted(stream));
        EXPECT_EQ(status, 0);
        return stream;
    }

    ToolRun decode(const std::string& stream, const std::string& outputBase) {
        return runTool("mpeg2decode", {"-b", stream, "-f", "-r", "-o2", outputBase});
    }

    TempDir dir_;
};

TEST_F(Mpeg2decodeProgram, DecodesAStreamOfTheRealEncoderToATgaThatResemblesIt) {
    const struct {
        int width;
        int height;
        const char* rate;
    } cases[] = {{720, 576, "-f25"}, {352, 240, "-f29.97"}};
    for (const auto& c : cases) {
        const RgbPicture source = colourfulPicture(c.width, c.height);
        const std::string stream = encode(source, c.rate);
        const std::string base = dir_.file("$tga");
        const ToolRun run = decode(stream, base);
        ASSERT_EQ(run.exitCode, 0) << run.errorText;
        const RgbPicture picture = loadTga(base + ".tga");
        EXPECT_EQ(picture.width, c.width);
        EXPECT_EQ(picture.height, c.height);
        // Rows in the wrong order or swapped colour channels would fall far below this.
        EXPECT_GT(psnr(picture, source), 30.0) << c.width << "x" << c.height;
    }
}

TEST_F(Mpeg2decodeProgram, AppendsTgaEvenToANameThatHasIt) {
    const std::string stream = encode(colourfulPicture(64, 48), "-f25");
    ASSERT_EQ(decode(stream, dir_.file("dump_3.tga")).exitCode, 0);
    EXPECT_TRUE(std::filesystem::exists(dir_.file("dump_3.tga.tga")));
}

TEST_F(Mpeg2decodeProgram, LeavesNoTgaWhenThereIsNothingToDecode) {
    const std::string base = dir_.file("out");
    ToolRun run = decode(dir_.file("missing.m2v"), base);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.errorText.find("missing.m2v"), std::string::npos) << run.errorText;

    const std::vector<Bytes> undecodable = {
        {},
        Bytes(5000, 0xFF),
        {0x00, 0x00, 0x01, 0xB3, 0x2D, 0x02, 0x40, 0x33},  // a sequence header alone
    };
    for (const Bytes& bytes : undecodable) {
        run = decode(dir_.write("bad.m2v", bytes), base);
        EXPECT_EQ(run.exitCode, 1) << bytes.size();
        EXPECT_NE(run.errorText.find("no MPEG-2 picture"), std::string::npos) << run.errorText;
    }
    EXPECT_FALSE(std::filesystem::exists(base + ".tga"));

    run = runTool("mpeg2decode", {"-b", dir_.file("missing.m2v")});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.errorText.find("--help"), std::string::npos);
    EXPECT_EQ(runTool("mpeg2decode", {"--help"}).exitCode, 0);
}

}  // namespace
}  // namespace velmora::testing
