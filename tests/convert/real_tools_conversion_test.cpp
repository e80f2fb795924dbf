// SPDX-License-Identifier: GPL-3.0-or-later
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "convert/jpeg_conversion.h"
#include "convert/tool_run.h"
#include "firmware/file_io.h"
#include "tests/convert/picture_compare.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/session_replacement.h"
#include "tests/support/temp_dir.h"

namespace velmora {
namespace {

const std::vector<std::string> kConversionTools = {"pvw32con",  "jpeg2yuv", "mpeg2enc",
                                                   "yuvscaler", "pixmend",  "xvid_encraw"};

std::string missingTools(const std::string& folder) {
    std::string missing;
    for (const auto& tool : kConversionTools) {
        if (::access(joinPath(folder, tool).c_str(), X_OK) != 0) missing += " " + tool;
    }
    return missing;
}

bool runImageMagick(const std::string& arguments, const std::string& output,
                    const std::string& input = "") {
    ToolCommand command = toolCommand("/usr/bin/convert");
    if (!input.empty()) command.quoted(input);
    command.words(arguments).quoted(output);
    return runTool(command, WorkControl{}).end == ToolEnd::Finished && fileExists(output);
}

struct Case {
    const char* name;
    int kind;
    int width;
    int height;
    double frameRate;
    std::int32_t room;
};

// A whole conversion with the real tools: a 1024x768 photo becomes a stream of
// the picture's size that fits the room and decodes to the photo, resized.
class RealToolsConversion : public ::testing::TestWithParam<Case> {
  protected:
    void SetUp() override {
        const std::string missing = missingTools(VELMORA_TOOL_DIR);
        if (!missing.empty())
            GTEST_SKIP() << "the tool folder " << VELMORA_TOOL_DIR << " lacks" << missing;
        if (!fileExists("/usr/bin/convert")) GTEST_SKIP() << "/usr/bin/convert is missing";
    }
};

bool makePhoto(const std::string& photo) {
    return runImageMagick("-size 1024x768 -seed 7 plasma:steelblue-orange -blur 0x4 -quality 92",
                          photo);
}

Session sessionFor(const std::string& work, const std::string& photo) {
    Session session;
    session.ToolDir = VELMORA_TOOL_DIR;
    session.TempDir = work;
    session.SourcePath = photo;
    session.SourceOpened = true;
    return session;
}

PictureEntry pictureOf(const Case& c) {
    PictureEntry entry;
    entry.Kind = c.kind;
    entry.Width = c.width;
    entry.Height = c.height;
    entry.FrameRate = c.frameRate;
    return entry;
}

TEST_P(RealToolsConversion, FitsTheRoomAndLooksLikeThePhoto) {
    const Case& c = GetParam();
    testing::TempDir dir;
    // A work folder whose name the batch file and the tools must take as it stands.
    const std::string work = dir.file("work 'q' \"d\" $HOME 100% \xC3\xBC");
    std::filesystem::create_directories(work);
    const std::string photo = dir.file("my photo.jpg");
    ASSERT_TRUE(makePhoto(photo));
    const Session session = sessionFor(work, photo);
    const PictureEntry entry = pictureOf(c);
    testing::ScriptedDialogs ui;

    const auto started = std::chrono::steady_clock::now();
    const auto result = convertJpegToStream(testing::conversionOf(session), ui, entry, c.room);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - started;
    ASSERT_TRUE(result.ok()) << ui.logText();
    EXPECT_EQ(ui.lines.back(), "Finished!");
    const int tries = static_cast<int>(ui.lines.size()) - 2;
    std::cout << "[ measure  ] " << c.name << ": " << tries << " tries, " << took.count() << " s, "
              << took.count() / tries << " s per try\n";

    const auto bytes = testing::readFile(result->path);
    ASSERT_GT(static_cast<std::int64_t>(bytes.size()), result->offset);
    EXPECT_LE(static_cast<std::int64_t>(bytes.size()) - result->offset, c.room);
    const std::vector<std::uint8_t> stream(bytes.begin() + result->offset, bytes.end());
    if (c.kind == 4) {  // what the firmware holds begins at the video object start code
        ASSERT_GE(stream.size(), 4u);
        EXPECT_EQ(stream[0], 0);
        EXPECT_EQ(stream[1], 0);
        EXPECT_EQ(stream[2], 1);
        EXPECT_EQ(stream[3], 0);
    }

    const auto decoded = testing::decodeFirstPicture(
        stream, c.kind == 2 ? testing::VideoCodec::Mpeg2 : testing::VideoCodec::Mpeg4);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->width, c.width);
    EXPECT_EQ(decoded->height, c.height);

    const std::string reference = dir.file("reference.ppm");
    ASSERT_TRUE(
        runImageMagick("-resize " + std::to_string(c.width) + "x" + std::to_string(c.height) + "!",
                       reference, photo));
    const auto expected = testing::readPpm(reference);
    ASSERT_TRUE(expected);
    const double quality = testing::psnr(*decoded, *expected);
    std::cout << "[ measure  ] " << c.name << ": PSNR " << quality << " dB, stream "
              << bytes.size() - static_cast<std::size_t>(result->offset) << " of " << c.room
              << " bytes\n";
    EXPECT_GE(quality, 30.0);
}

// A loose room makes the search climb to bitrates mpeg2enc gives up at for PAL
// (it then leaves an empty file); a tight one makes it bisect for real.
INSTANTIATE_TEST_SUITE_P(Pictures, RealToolsConversion,
                         ::testing::Values(Case{"Mpeg2Pal", 2, 720, 576, 25.0, 60000},
                                           Case{"Mpeg2Ntsc", 2, 720, 480, 29.97, 60000},
                                           Case{"Mpeg2PalTightRoom", 2, 720, 576, 25.0, 16000},
                                           Case{"Mpeg4Pal", 4, 720, 576, 25.0, 12000}),
                         [](const ::testing::TestParamInfo<Case>& param) {
                             return std::string(param.param.name);
                         });

// The real encoders, run side by side ahead of the search, end in the very
// stream and log of tries run one by one.
TEST_F(RealToolsConversion, TriesSideBySideGiveTheStreamOfTriesOneByOne) {
    for (const Case& c : {Case{"Mpeg2PalTightRoom", 2, 720, 576, 25.0, 16000},
                          Case{"Mpeg4Pal", 4, 720, 576, 25.0, 12000}}) {
        testing::TempDir dir;
        const std::string photo = dir.file("photo.jpg");
        ASSERT_TRUE(makePhoto(photo));
        std::vector<std::vector<std::string>> logs;
        std::vector<std::vector<std::uint8_t>> streams;
        for (const int atOnce : {1, 3}) {
            const std::string work = dir.file("work" + std::to_string(atOnce));
            std::filesystem::create_directories(work);
            Session session = sessionFor(work, photo);
            session.TriesAtOnce = atOnce;
            testing::ScriptedDialogs ui;
            const auto result =
                convertJpegToStream(testing::conversionOf(session), ui, pictureOf(c), c.room);
            ASSERT_TRUE(result.ok()) << ui.logText();
            logs.push_back(ui.lines);
            streams.push_back(testing::readFile(result->path));
        }
        EXPECT_EQ(logs[1], logs[0]) << c.name;
        EXPECT_EQ(streams[1], streams[0]) << c.name;
    }
}

}  // namespace
}  // namespace velmora
