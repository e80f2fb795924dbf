// SPDX-License-Identifier: GPL-3.0-or-later
// velmora-cli extract, tga and png, run as a script would run them.
#include <sys/wait.h>

#include <cstdio>
#include <memory>
#include <optional>
#include <tuple>

#include <gtest/gtest.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
}

#include "firmware/file_io.h"
#include "media/first_picture.h"
#include "media/targa.h"
#include "tests/fixtures/fixture_streams.h"
#include "tests/fixtures/standard_fixtures.h"
#include "tests/media/synthetic_pictures.h"
#include "tests/support/temp_dir.h"

namespace velmora {
namespace {

using testing::TempDir;

struct CliRun {
    int exitCode = -1;
    std::string out;
};

CliRun runCli(const std::string& arguments, const std::string& tmp) {
    const std::string command = "TMP='" + tmp + "' '" + std::string(VELMORA_BIN_DIR) +
                                "/velmora-cli' " + arguments + " 2>&1";
    CliRun run;
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe.get()) != nullptr) run.out += buffer;
    const int status = ::pclose(pipe.release());
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

std::string q(const std::string& path) {
    return "'" + path + "'";
}

TEST(CliExtract, WrongUsageExitsWithTwo) {
    TempDir dir;
    const std::string fw = dir.write("fw.bin", std::vector<std::uint8_t>(4096, 0xFF));
    for (const std::string& args :
         {"extract " + q(fw), "extract " + q(fw) + " 1", "tga " + q(fw) + " one " + q(fw + ".out"),
          "extract " + q(fw) + " -1 x", "tga " + q(fw) + " 1 x --move",
          // no picture 1 in a firmware without pictures
          "extract " + q(fw) + " 1 " + q(dir.file("out.m2v")),
          "tga " + q(fw) + " 1 " + q(dir.file("out"))}) {
        SCOPED_TRACE(args);
        const CliRun run = runCli(args, dir.path());
        EXPECT_EQ(run.exitCode, 2) << run.out;
        EXPECT_NE(run.out.find("usage:"), std::string::npos) << run.out;
    }
    EXPECT_FALSE(fileExists(dir.file("out.m2v")));
}

// A firmware of erased flash holding one unfragmented MPEG-2 still.
class CliWithPicture : public ::testing::Test {
  protected:
    TempDir dir;
    std::string firmware;
    std::vector<std::uint8_t> stream;

    void SetUp() override {
        stream = fixtures::mpeg2Still(352, 288, false);
        const auto p = testing::fragmentedMpeg2(stream, 0x1000, 0, 0, 0x10000);
        firmware = dir.write("fw.bin", p.image);
        const CliRun analysis = runCli("analyze " + q(firmware), dir.path());
        if (analysis.out.find("MPEG2 Video") == std::string::npos)
            GTEST_SKIP() << "the analysis finds no picture yet";
    }
};

TEST_F(CliWithPicture, ExtractSavesTheStreamOfRowN) {
    const std::string out = dir.file("row1.m2v");
    const CliRun run = runCli("extract " + q(firmware) + " 1 " + q(out), dir.path());
    EXPECT_EQ(run.exitCode, 0) << run.out;
    EXPECT_NE(run.out.find("Original videostream #1 saved."), std::string::npos) << run.out;
    EXPECT_EQ(testing::readFile(out), stream);
    const CliRun beyond = runCli("extract " + q(firmware) + " 2 " + q(out + "2"), dir.path());
    EXPECT_EQ(beyond.exitCode, 2) << beyond.out;
}

TEST_F(CliWithPicture, TgaWritesOutputDotTgaOrFailsWithoutTheDecoder) {
    const std::string out = dir.file("row1");
    const CliRun missing =
        runCli("tga " + q(firmware) + " 1 " + q(out) + " --tool-dir " + q(dir.file("no-tools")),
               dir.path());
    EXPECT_EQ(missing.exitCode, 1) << missing.out;
    EXPECT_FALSE(fileExists(out + ".tga"));
    EXPECT_FALSE(fileExists(dir.file("$mpeg.m2v")));
    if (!fileExists(joinPath(VELMORA_TOOL_DIR, "mpeg2decode")))
        GTEST_SKIP() << "the mpeg2decode tool is not built";
    const CliRun run = runCli(
        "tga " + q(firmware) + " 1 " + q(out) + " --tool-dir " + q(VELMORA_TOOL_DIR), dir.path());
    EXPECT_EQ(run.exitCode, 0) << run.out;
    EXPECT_NE(run.out.find("Original TGA picture #1 saved."), std::string::npos) << run.out;
    TargaImage image;
    ASSERT_TRUE(LoadTarga(out + ".tga", image));
    EXPECT_EQ(image.Width, 352);
    EXPECT_EQ(image.Height, 288);
}

TEST_F(CliWithPicture, TgaKeepsANameThatEndsInTga) {
    if (!fileExists(joinPath(VELMORA_TOOL_DIR, "mpeg2decode")))
        GTEST_SKIP() << "the mpeg2decode tool is not built";
    for (const char* name : {"row1.tga", "ROW2.TGA"}) {
        const std::string out = dir.file(name);
        const CliRun run =
            runCli("tga " + q(firmware) + " 1 " + q(out) + " --tool-dir " + q(VELMORA_TOOL_DIR),
                   dir.path());
        EXPECT_EQ(run.exitCode, 0) << run.out;
        TargaImage image;
        EXPECT_TRUE(LoadTarga(out, image)) << name;
        EXPECT_FALSE(fileExists(out + ".tga")) << name;
    }
}

// A PNG file decoded back: rows top to bottom, blue, green, red.
std::optional<BgrPicture> decodePng(const std::vector<std::uint8_t>& png) {
    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_PNG);
    AVCodecContext* context = avcodec_alloc_context3(codec);
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    std::optional<BgrPicture> picture;
    std::vector<std::uint8_t> padded(png);
    padded.resize(png.size() + AV_INPUT_BUFFER_PADDING_SIZE, 0);
    packet->data = padded.data();
    packet->size = static_cast<int>(png.size());
    if (avcodec_open2(context, codec, nullptr) == 0 && avcodec_send_packet(context, packet) == 0 &&
        avcodec_receive_frame(context, frame) == 0 && frame->format == AV_PIX_FMT_RGB24) {
        picture = BgrPicture{frame->width, frame->height, {}};
        for (int y = 0; y < frame->height; ++y)
            for (int x = 0; x < frame->width; ++x) {
                const std::uint8_t* p = frame->data[0] + y * frame->linesize[0] + x * 3;
                picture->pixels.insert(picture->pixels.end(), {p[2], p[1], p[0]});
            }
    }
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&context);
    return picture;
}

TEST(CliPng, SavesEitherPictureKindAsDecodedAtItsStoredSize) {
    TempDir dir;
    const std::string firmware = dir.write("fw.bin", fixtures::standardFirmware().image);
    // Row 1 is MPEG-2 720x576, row 3 MPEG-4 720x576, row 4 MPEG-4 720x480.
    for (const auto& [row, codec, height] :
         {std::tuple{1, VideoCodec::Mpeg2, 576}, std::tuple{3, VideoCodec::Mpeg4, 576},
          std::tuple{4, VideoCodec::Mpeg4, 480}}) {
        SCOPED_TRACE(row);
        const std::string out = dir.file("row" + std::to_string(row) + ".png");
        const CliRun run =
            runCli("png " + q(firmware) + " " + std::to_string(row) + " " + q(out), dir.path());
        ASSERT_EQ(run.exitCode, 0) << run.out;
        EXPECT_NE(run.out.find("PNG picture #" + std::to_string(row) + " saved."),
                  std::string::npos)
            << run.out;
        ASSERT_TRUE(fileExists(out));
        const std::optional<BgrPicture> saved = decodePng(testing::readFile(out));
        ASSERT_TRUE(saved);
        EXPECT_EQ(saved->width, 720);
        EXPECT_EQ(saved->height, height);
        const std::string stream = dir.file("row" + std::to_string(row) + ".stream");
        ASSERT_EQ(runCli("extract " + q(firmware) + " " + std::to_string(row) + " " + q(stream),
                         dir.path())
                      .exitCode,
                  0);
        const FirstPicture decoded = decodeFirstPicture(testing::readFile(stream), codec);
        ASSERT_TRUE(decoded.picture) << decoded.failure;
        EXPECT_TRUE(saved->pixels == decoded.picture->pixels) << "the picture as decoded";
    }
    // Without the extension, it is added.
    const CliRun bare = runCli("png " + q(firmware) + " 2 " + q(dir.file("row2")), dir.path());
    EXPECT_EQ(bare.exitCode, 0) << bare.out;
    EXPECT_TRUE(fileExists(dir.file("row2.png")));
}

TEST(CliOptions, AnUnknownOptionIsNamed) {
    TempDir dir;
    const std::string fw = dir.write("fw.bin", fixtures::standardFirmware().image);
    for (const std::string& args :
         {"analyze " + q(fw) + " --jsn", "png " + q(fw) + " 1 x.png --force",
          "restore " + q(fw) + " --colors 16"}) {
        SCOPED_TRACE(args);
        const CliRun run = runCli(args, dir.path());
        EXPECT_EQ(run.exitCode, 2) << run.out;
        EXPECT_NE(run.out.find("velmora-cli: unknown option --"), std::string::npos) << run.out;
        EXPECT_EQ(run.out.find("takes"), std::string::npos) << run.out;
    }
    EXPECT_NE(runCli("analyze " + q(fw) + " --jsn", dir.path()).out.find("unknown option --jsn"),
              std::string::npos);
}

TEST(VelmoraDemo, HelpPrintsHelpAndMakesNoFolder) {
    TempDir dir;
    const std::string demo = std::string(VELMORA_BIN_DIR) + "/velmora-demo";
    const std::string command = "cd " + q(dir.path()) + " && " + q(demo) + " --help 2>&1";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
    std::string out;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe.get()) != nullptr) out += buffer;
    const int status = ::pclose(pipe.release());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << out;
    EXPECT_NE(out.find("usage: velmora-demo OUTDIR"), std::string::npos) << out;
    EXPECT_FALSE(fileExists(dir.file("--help")));
}

TEST_F(CliWithPicture, AnUnwritableOutputIsAnIoErrorExitingWithOne) {
    const CliRun run =
        runCli("extract " + q(firmware) + " 1 " + q(dir.file("no/such/folder/x.m2v")), dir.path());
    EXPECT_EQ(run.exitCode, 1) << run.out;
    EXPECT_NE(run.out.find("I/O error"), std::string::npos) << run.out;
}

}  // namespace
}  // namespace velmora
