// SPDX-License-Identifier: GPL-3.0-or-later
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "convert/conversion_commands.h"
#include "convert/jpeg_conversion.h"
#include "firmware/file_io.h"
#include "tests/support/fake_tools.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/session_replacement.h"
#include "tests/support/temp_dir.h"

namespace velmora {
namespace {

// A conversion through the real runner and batch file, with fake tools whose
// stream sizes follow a formula of the setting.
class JpegConversion : public ::testing::Test {
  protected:
    void setUp(const std::string& sizeFormula, const std::string& toolFolder = "tools",
               const std::string& workFolder = "work",
               const std::string& sourceName = "photo.jpg") {
        tools = std::make_unique<testing::FakeTools>(dir.file(toolFolder), sizeFormula);
        session.ToolDir = tools->folder();
        session.TempDir = dir.file(workFolder);
        std::filesystem::create_directories(session.TempDir);
        session.SourcePath = dir.writeText(sourceName, "picture");
        session.SourceOpened = true;
        // One try at a time: the encoder runs are then exactly the search's tries.
        session.TriesAtOnce = 1;
    }

    static PictureEntry picture(int kind, int width, int height, double frameRate) {
        PictureEntry entry;
        entry.Kind = kind;
        entry.Width = width;
        entry.Height = height;
        entry.FrameRate = frameRate;
        return entry;
    }

    // The conversion as the replacement sees it; a failure is told to the person.
    std::optional<ConvertedStream> convert(const PictureEntry& entry, std::int32_t room) {
        const Result<ConvertedStream> converted =
            convertJpegToStream(testing::conversionOf(session), ui, entry, room);
        if (!converted.ok()) {
            tellPerson(converted.outcome(), ui);
            return std::nullopt;
        }
        return *converted;
    }

    [[nodiscard]] bool workFileLeft(const char* name) const {
        return fileExists(session.workFile(name));
    }

    // Those of tries run side by side too.
    void expectWorkFilesDeleted() const {
        for (const char* name :
             {"$convert.bat", "$jpg_res.bmp", "$jpg_res.jpg", "$tmp.yuv", "$convert-1.bat",
              "$tmp-1.yuv", "$jpg_res-1.m2v", "$jpg_res-1.m4v"})
            EXPECT_FALSE(workFileLeft(name)) << name;
    }

    // The setting of each try, as its log line gives it.
    std::vector<int> triedSettings() const {
        std::vector<int> settings;
        for (const auto& line : tryLines()) {
            const auto word =
                line.find(line.find("bitrate ") != std::string::npos ? "bitrate " : "quantizer ");
            settings.push_back(std::stoi(line.substr(line.find(' ', word) + 1)));
        }
        return settings;
    }

    std::vector<std::string> tryLines() const {
        std::vector<std::string> lines;
        for (const auto& line : ui.lines)
            if (line.rfind("Converting using ", 0) == 0) lines.push_back(line);
        return lines;
    }

    testing::TempDir dir;
    std::unique_ptr<testing::FakeTools> tools;
    Session session;
    testing::ScriptedDialogs ui;
};

const std::string kSorryLine =
    "Sorry, I can not convert image into MPEG4...\rYou can try to convert it with other "
    "converters.";

TEST_F(JpegConversion, Mpeg2TenBytesPerKbps) {
    setUp("10 * s");
    const auto result = convert(picture(2, 720, 576, 25.0), 40005);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->path, session.workFile("$jpg_res.m2v"));
    EXPECT_EQ(result->offset, 0);
    EXPECT_EQ(fileSize(result->path), 40000);
    // Fifteen tries, but the last one comes back to 4000 kbps: its stream is
    // put back instead of being encoded again, and its line is logged as ever.
    EXPECT_EQ(triedSettings(), (std::vector<int>{7000, 3500, 5250, 4375, 3938, 4156, 4047, 3992,
                                                 4020, 4006, 3999, 4002, 4000, 4001, 4000}));
    EXPECT_EQ(tools->encoderSettings(),
              (std::vector<int>{7000, 3500, 5250, 4375, 3938, 4156, 4047, 3992, 4020, 4006, 3999,
                                4002, 4000, 4001}));
    ASSERT_EQ(ui.lines.size(), 17u);
    EXPECT_EQ(ui.lines.front(), "Begin to convert JPEG image using Dichotomy method.");
    EXPECT_EQ(ui.lines[1], "Converting using bitrate 7000kbps - file size= 70000");
    EXPECT_EQ(ui.lines[15], "Converting using bitrate 4000kbps - file size= 40000");
    EXPECT_EQ(ui.lines.back(), "Finished!");
    EXPECT_EQ(ui.logRepaints, 15);
    EXPECT_TRUE(ui.boxes.empty());
    expectWorkFilesDeleted();
}

TEST_F(JpegConversion, Mpeg2EveryStreamFits) {
    setUp("100");
    const auto result = convert(picture(2, 720, 480, 29.97), 1000);
    ASSERT_TRUE(result);
    EXPECT_EQ(tools->encoderSettings(),
              (std::vector<int>{7000, 10500, 12250, 13125, 13562, 13781, 13890, 13945, 13972, 13986,
                                13993, 13996, 13998, 13999, 14000}));
    EXPECT_EQ(ui.lines.back(), "Finished!");
}

TEST_F(JpegConversion, Mpeg2EveryStreamTooBigFailsAfterAHundredTries) {
    setUp("5000");
    EXPECT_FALSE(convert(picture(2, 720, 576, 25.0), 1000));
    const auto settings = tools->encoderSettings();
    ASSERT_EQ(settings.size(), 100u);
    EXPECT_EQ(settings[13], 1);
    EXPECT_EQ(settings[14], 0);
    EXPECT_EQ(settings[15], -1);
    EXPECT_EQ(settings.back(), -85);
    EXPECT_EQ(ui.lines.back(), kSorryLine);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].caption, "ERROR!");
    EXPECT_EQ(ui.boxes[0].text, "Sorry, I can not convert image into MPEG4...!");
    expectWorkFilesDeleted();
    EXPECT_TRUE(workFileLeft("$jpg_res.m2v"));  // the last try's stream stays
}

TEST_F(JpegConversion, AnEncoderThatGivesUpIsNotAFit) {
    setUp("s > 11500 ? 0 : 25000");
    const auto result = convert(picture(2, 720, 576, 25.0), 60000);
    ASSERT_TRUE(result);
    EXPECT_EQ(triedSettings().back(), 11500);
    EXPECT_EQ(fileSize(result->path), 25000);
    EXPECT_TRUE(ui.hasLine("Converting using bitrate 12250kbps - file size= 0"));
}

TEST_F(JpegConversion, Mpeg2ExactFitStopsAtOnce) {
    setUp("10 * s");
    const auto result = convert(picture(2, 720, 576, 25.0), 70000);
    ASSERT_TRUE(result);
    EXPECT_EQ(tools->encoderSettings(), std::vector<int>{7000});
    EXPECT_EQ(ui.lines.back(), "Finished!");
}

TEST_F(JpegConversion, Mpeg4InverseQuantizer) {
    struct Case {
        std::int32_t room;
        std::vector<int> quantizers;
    };
    for (const Case& c :
         std::vector<Case>{{20000, {15, 8, 12, 10}}, {21000, {15, 8, 12, 10, 9, 10}}}) {
        testing::TempDir caseDir;
        session = Session{};
        ui = testing::ScriptedDialogs{};
        tools = std::make_unique<testing::FakeTools>(caseDir.file("tools"), "200000 / s");
        session.ToolDir = tools->folder();
        session.TempDir = caseDir.path();
        session.SourcePath = caseDir.writeText("photo.jpg", "picture");
        session.TriesAtOnce = 1;
        const auto result = convert(picture(4, 640, 480, 29.97), c.room);
        ASSERT_TRUE(result) << c.room;
        EXPECT_EQ(result->offset, 10);
        EXPECT_EQ(result->path, session.workFile("$jpg_res.m4v"));
        EXPECT_EQ(fileSize(result->path), 20010);
        EXPECT_EQ(triedSettings(), c.quantizers) << c.room;
        std::vector<int> encoded;
        for (int q : c.quantizers)
            if (std::find(encoded.begin(), encoded.end(), q) == encoded.end()) encoded.push_back(q);
        EXPECT_EQ(tools->encoderSettings(), encoded) << c.room;
        EXPECT_EQ(ui.lines[1], "Converting using quantizer 15 - file size= 13343");
        EXPECT_EQ(ui.lines.back(), "Finished!");
    }
}

TEST_F(JpegConversion, Mpeg4FitOnTheLastAllowedTryStillFails) {
    setUp("s < 40 ? 5000 : 1000");
    EXPECT_FALSE(convert(picture(4, 720, 576, 25.0), 1000));
    EXPECT_EQ(tools->encoderSettings(),
              (std::vector<int>{15, 23, 27, 29, 30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 40}));
    EXPECT_EQ(ui.lines.back(), kSorryLine);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].caption, "ERROR!");
}

// Tries run side by side, the likely next settings ahead of the search, must
// come to the same log and stream as tries run one by one, whether the guesses
// of the next setting turn out right or wrong.
TEST_F(JpegConversion, TriesSideBySideEndAsTriesOneByOne) {
    struct Case {
        std::string formula;
        int kind;
        std::int32_t room;
    };
    const std::vector<Case> cases{
        {"10 * s", 2, 40005},                 // a straight line: guesses mostly right
        {"s % 3000 * 20 + 1000", 2, 30000},   // a saw tooth: guesses often wrong
        {"s > 11500 ? 0 : 25000", 2, 60000},  // the encoder gives up at high rates
        {"5000", 2, 1000},                    // a hundred tries, none fits
        {"200000 / s", 4, 21000},
        {"s < 40 ? 5000 : 1000", 4, 1000},
    };
    for (const Case& c : cases) {
        std::vector<std::vector<std::string>> logs;
        std::vector<std::vector<std::uint8_t>> streams;
        for (const int atOnce : {1, 2, 3}) {
            testing::TempDir caseDir;
            session = Session{};
            ui = testing::ScriptedDialogs{};
            tools = std::make_unique<testing::FakeTools>(caseDir.file("tools"), c.formula);
            session.ToolDir = tools->folder();
            session.TempDir = caseDir.path();
            session.SourcePath = caseDir.writeText("photo.jpg", "picture");
            session.TriesAtOnce = atOnce;
            const auto result = convert(picture(c.kind, 720, 576, 25.0), c.room);
            logs.push_back(ui.lines);
            const std::string stream =
                session.workFile(c.kind == 2 ? "$jpg_res.m2v" : "$jpg_res.m4v");
            streams.push_back(fileExists(stream) ? testing::readFile(stream)
                                                 : std::vector<std::uint8_t>{});
            expectWorkFilesDeleted();
        }
        EXPECT_EQ(logs[1], logs[0]) << c.formula;
        EXPECT_EQ(logs[2], logs[0]) << c.formula;
        EXPECT_EQ(streams[1], streams[0]) << c.formula;
        EXPECT_EQ(streams[2], streams[0]) << c.formula;
    }
}

TEST_F(JpegConversion, MissingOutputOnTheFirstTry) {
    setUp("100");
    removeFileIfExists(session.SourcePath);  // deleted after it was opened
    EXPECT_FALSE(convert(picture(2, 720, 576, 25.0), 1000));
    EXPECT_EQ(ui.lines,
              std::vector<std::string>{"Begin to convert JPEG image using Dichotomy method."});
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].kind, "error");
    EXPECT_EQ(ui.boxes[0].caption, "Error!");
    EXPECT_EQ(ui.boxes[0].text, "Error with target file creation!");
    // Left for a look: the one line of the first try, ended by a line feed alone.
    const auto batch = testing::readFile(session.workFile("$convert.bat"));
    EXPECT_EQ(
        std::string(batch.begin(), batch.end()),
        batchFileText(mpeg2BatchLines(programsIn(session.ToolDir), session.TempDir, false, 7000)));
}

// Whichever slot ran the try that wrote no stream, its batch file is the one
// left for a look, and no other slot's files stay.
TEST_F(JpegConversion, ATryAheadThatWritesNoStreamLeavesItsOwnBatchFile) {
    setUp("10 * s");
    session.TriesAtOnce = 2;
    (void)dir.writeText("tools/mpeg2enc", R"SH(#!/bin/sh
while [ $# -gt 0 ]; do case "$1" in -b) s=$2 ;; -o) out=$2 ;; esac; shift; done
cat >/dev/null
[ "$s" = 10500 ] && exit 1
head -c $((10 * s)) /dev/zero >"$out"
)SH");
    ASSERT_EQ(::chmod(dir.file("tools/mpeg2enc").c_str(), 0755), 0);
    // 7000 fits, so 10500 comes next: the slot beside the first has run it already.
    EXPECT_FALSE(convert(picture(2, 720, 576, 25.0), 80000));
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, "Error with target file creation!");
    const auto batch = testing::readFile(session.workFile("$convert.bat"));
    EXPECT_NE(std::string(batch.begin(), batch.end()).find(" -b 10500 "), std::string::npos);
    for (const char* name : {"$convert-1.bat", "$jpg_res-1.m2v", "$jpg_res.m2v"})
        EXPECT_FALSE(workFileLeft(name)) << name;
}

TEST_F(JpegConversion, CancelStopsTheEncoderAndLeavesNoWorkFile) {
    setUp("100");
    session.TriesAtOnce = 2;  // one encoder for the search, one ahead of it
    tools->slowEncoders("30");
    std::thread canceller([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        session.Control->requestCancel();
    });
    const auto started = std::chrono::steady_clock::now();
    EXPECT_FALSE(convert(picture(2, 720, 576, 25.0), 1000));
    canceller.join();
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(20));
    EXPECT_TRUE(ui.boxes.empty()) << "a cancel is no error";
    ASSERT_FALSE(ui.lines.empty());
    EXPECT_EQ(ui.lines.back(), "Cancelled.");
    EXPECT_TRUE(tryLines().empty());
    expectWorkFilesDeleted();
    EXPECT_FALSE(workFileLeft("$jpg_res.m2v"));
}

TEST_F(JpegConversion, EncoderPastTheTimeLimitIsStoppedWithABoxNamingIt) {
    setUp("10 + 1000 / (s + 1)");
    session.TriesAtOnce = 2;
    tools->slowEncoders("30");
    session.Control->toolTimeout = std::chrono::milliseconds(400);
    EXPECT_FALSE(convert(picture(4, 720, 576, 25.0), 1000));
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].caption, "ERROR!");
    EXPECT_EQ(ui.boxes[0].text.rfind("The tool xvid_encraw", 0), 0u) << ui.boxes[0].text;
    EXPECT_NE(ui.boxes[0].text.find("ran longer than 0.4 seconds and was stopped."),
              std::string::npos);
    expectWorkFilesDeleted();
    EXPECT_FALSE(workFileLeft("$jpg_res.m4v"));
}

TEST_F(JpegConversion, FilesOfAnEarlierConversionAreNotReused) {
    setUp("100");
    ASSERT_TRUE(convert(picture(4, 720, 576, 25.0), 1000));
    // A conversion that ended early leaves its resized picture and stream behind.
    (void)dir.writeText("work/$jpg_res.jpg", "stale picture");
    (void)dir.writeText("work/$jpg_res.m4v", std::string(500, 'x'));
    removeFileIfExists(session.SourcePath);
    ui = testing::ScriptedDialogs{};
    EXPECT_FALSE(convert(picture(4, 720, 576, 25.0), 1000));
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, "Error with target file creation!");
}

TEST_F(JpegConversion, ConverterAndBatchLinesAsRun) {
    setUp("10 * s");
    session.Options.Colors = ColorMode::Colors16;
    session.Options.Greyscale = true;
    session.Options.Orientation = Rotation::Rotate270;
    session.Options.VMirror = true;
    ASSERT_TRUE(convert(picture(2, 720, 576, 25.0), 70000));
    const std::string w = session.TempDir;
    auto calls = tools->calls();
    ASSERT_EQ(calls.size(), 4u);
    // The two tools of the pipe run at once: their order is not fixed.
    std::sort(calls.begin() + 2, calls.end());
    EXPECT_EQ(calls,
              (std::vector<std::string>{
                  "pvw32con [" + session.SourcePath + "] [-w] [--jh] [--o] [" + w +
                      "/$jpg_res.bmp] [--c16] [--g] [--r270] [--v]",
                  "pvw32con [" + w + "/$jpg_res.bmp] [-j] [--jq100] [--o] [" + w +
                      "/$jpg_res.jpg] [--X720] [--Y576]",
                  "jpeg2yuv [-Ip] [-L0] [-n1] [-v0] [-f25] [-j] [" + w + "/$jpg_res.jpg]",
                  "mpeg2enc [-f] [3] [-n] [p] [-b] [7000] [-r] [16] [-a] [2] [-v] [0] [-o] [" + w +
                      "/$jpg_res.m2v]"}));
}

// Blanks, quotes of both kinds, $ and letters beyond ASCII in every path.
TEST_F(JpegConversion, AwkwardPathsReachTheToolsAsWritten) {
    const std::string awkward = " \"q\" 'a' $HOME $(x) 100%s \xC3\xBC\xC3\xA9";
    setUp("200000 / s", "tools" + awkward, "work" + awkward, "pho to" + awkward + ".jpg");
    const auto result = convert(picture(4, 720, 576, 25.0), 21000);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->path, session.TempDir + "/$jpg_res.m4v");
    EXPECT_EQ(triedSettings(), (std::vector<int>{15, 8, 12, 10, 9, 10}));
    EXPECT_EQ(tools->encoderSettings(), (std::vector<int>{15, 8, 12, 10, 9}));
    const auto calls = tools->calls();
    ASSERT_GE(calls.size(), 6u);
    EXPECT_EQ(calls[0].substr(0, 11 + session.SourcePath.size()),
              "pvw32con [" + session.SourcePath + "]");
    EXPECT_EQ(calls[5], "xvid_encraw [-i] [" + session.TempDir +
                            "/$tmp.yuv] [-type] [0] [-single] "
                            "[-cq] [15] [-w] [720] [-h] [576] [-framerate] [25] [-frames] [1] "
                            "[-lumimasking] [-qtype] [0] [-o] [" +
                            session.TempDir + "/$jpg_res.m4v]");
    expectWorkFilesDeleted();
}

TEST_F(JpegConversion, AwkwardPathsMpeg2) {
    const std::string awkward = " 'it''s' \"x\" $1 `y` \xE6\x97\xA5";
    setUp("10 * s", "t" + awkward, "w" + awkward, "p" + awkward + ".JPEG");
    const auto result = convert(picture(2, 720, 480, 29.97), 40005);
    ASSERT_TRUE(result);
    EXPECT_EQ(fileSize(result->path), 40000);
    EXPECT_EQ(triedSettings().back(), 4000);
}

}  // namespace
}  // namespace velmora
