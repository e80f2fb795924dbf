// SPDX-License-Identifier: GPL-3.0-or-later
// Real streams through the real extraction, FFmpeg's decoders and, once it is
// built, the program's own MPEG-2 decoder tool.
#include <gtest/gtest.h>

#include "firmware/file_io.h"
#include "media/picture_actions.h"
#include "media/targa.h"
#include "tests/fixtures/fixture_streams.h"
#include "tests/media/real_streams.h"
#include "tests/media/synthetic_pictures.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/temp_dir.h"

namespace velmora {
namespace {

using testing::ScriptedDialogs;
using testing::TempDir;

constexpr int kWidth = 352;
constexpr int kHeight = 288;

class RecordingPreview : public PreviewSink {
  public:
    std::vector<PreviewPicture> shown;
    void showPreview(const PreviewPicture& picture) override { shown.push_back(picture); }
};

bool haveDecoderTool() {
    return fileExists(joinPath(VELMORA_TOOL_DIR, "mpeg2decode"));
}

class EndToEnd : public ::testing::Test {
  protected:
    TempDir dir;
    Session session;

    void SetUp() override {
        session.TempDir = dir.path();
        session.ToolDir = VELMORA_TOOL_DIR;
    }

    void useFirmware(const testing::SyntheticPicture& p, bool swapped) {
        session.FirmwarePath = dir.write("dump.bin", testing::storedAs(p.image, swapped).bytes());
        session.FirmwareName = "dump.bin";
        session.ByteSwapped = swapped;
        session.PictureTable[0] = p.entry;
        session.PictureCount = 1;
        session.SelectedPicture = 0;
    }

    std::string saveVideo(const std::string& name) {
        ScriptedDialogs ui;
        ui.saveChoices.push_back(dir.file(name));
        (void)testing::toldDone(Savevideo1Click(session, ui), ui);
        EXPECT_EQ(ui.lines.size(), 1u);
        return dir.file(name);
    }
};

TEST_F(EndToEnd, SavedMpeg2StreamsAreTheEncodersBytesAndDecodeToTheirSize) {
    const auto stream = fixtures::mpeg2Still(kWidth, kHeight, false);
    struct Layout {
        int block;
        int gap;
    };
    for (const Layout layout : {Layout{0, 0}, Layout{1024, 32}, Layout{501, 7}}) {
        for (bool swapped : {false, true}) {
            SCOPED_TRACE(std::to_string(layout.block) + (swapped ? " swapped" : ""));
            useFirmware(testing::fragmentedMpeg2(stream, 0x801, layout.block, layout.gap,
                                                 stream.size() * 2 + 0x1000),
                        swapped);
            EXPECT_EQ(testing::readFile(saveVideo("saved.m2v")), stream);
        }
    }
    // All of them are the encoder's bytes; one decode stands for all.
    const auto decoded = testing::decodeWithFfmpeg(dir.file("saved.m2v"));
    EXPECT_EQ(decoded.width, kWidth);
    EXPECT_EQ(decoded.height, kHeight);
    EXPECT_TRUE(decoded.frameDecoded);
}

TEST_F(EndToEnd, SavedMpeg4StreamsDecodeToTheirSizeFromEveryStore) {
    const auto data = fixtures::mpeg4Still(320, 240);
    for (bool wordSwapped : {false, true}) {
        for (bool swapped : {false, true}) {
            SCOPED_TRACE(std::to_string(wordSwapped) + std::to_string(swapped));
            const auto p = testing::mpeg4Chunk(data, 0x400, wordSwapped, data.size() + 0x800);
            useFirmware(p, swapped);
            EXPECT_EQ(testing::readFile(saveVideo("saved.m4v")), p.expected);
        }
    }
    // The four files are the same; one decode stands for all.
    const auto decoded = testing::decodeWithFfmpeg(dir.file("saved.m4v"));
    EXPECT_EQ(decoded.width, 320);
    EXPECT_EQ(decoded.height, 240);
    EXPECT_TRUE(decoded.frameDecoded);
}

TEST_F(EndToEnd, ViewAndSavePictureDecodeWithTheRealDecoder) {
    if (!haveDecoderTool()) GTEST_SKIP() << "the mpeg2decode tool is not built";
    const auto stream = fixtures::mpeg2Still(kWidth, kHeight, false);
    useFirmware(testing::fragmentedMpeg2(stream, 0x800, 2048, 32, stream.size() * 2 + 0x1000),
                true);

    ScriptedDialogs ui;
    RecordingPreview preview;
    (void)testing::toldDone(View1Click(session, ui, preview), ui);
    EXPECT_TRUE(ui.boxes.empty());
    ASSERT_EQ(preview.shown.size(), 1u);
    EXPECT_EQ(preview.shown[0].width, kWidth);
    EXPECT_EQ(preview.shown[0].height, kHeight);
    // The shown picture is the stream's picture, right way up (within the
    // rounding of two colour conversions).
    const std::string reference = dir.write("reference.m2v", stream);
    EXPECT_LT(
        testing::meanAbsoluteDifference(preview.shown[0].bgr, testing::decodeToBgr(reference)),
        3.0);
    EXPECT_FALSE(fileExists(dir.file("$mpeg.m2v")));
    EXPECT_FALSE(fileExists(dir.file("$tga.tga")));

    ui.saveChoices.push_back(dir.file("dump_1"));
    (void)testing::toldDone(Savepicture1Click(session, ui), ui);
    EXPECT_TRUE(ui.hasLine("Original TGA picture #1 saved."));
    TargaImage image;
    ASSERT_TRUE(LoadTarga(dir.file("dump_1.tga"), image));
    EXPECT_EQ(image.Width, kWidth);
    EXPECT_EQ(image.Height, kHeight);
    EXPECT_EQ(image.Pixels.size(), std::size_t{kWidth} * kHeight * image.bytesPerPixel());
}

}  // namespace
}  // namespace velmora
