// SPDX-License-Identifier: GPL-3.0-or-later
// The built-in preparation against the tool chain's converter on every colour
// and orientation option, and the fit modes on a drawn disc.
#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <string>
#include <vector>

#include "catalogue/analysis.h"
#include "convert/builtin_conversion.h"
#include "convert/chosen_conversion.h"
#include "convert/conversion_commands.h"
#include "convert/conversion_work_files.h"
#include "convert/tool_run.h"
#include "firmware/file_io.h"
#include "tests/convert/picture_compare.h"
#include "tests/fixtures/fixture_streams.h"
#include "tests/fixtures/standard_fixtures.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/session_replacement.h"
#include "tests/support/temp_dir.h"

namespace velmora {
namespace {

using testing::ScriptedDialogs;
using testing::TempDir;

bool haveConverter() {
    return ::access(joinPath(VELMORA_TOOL_DIR, "pvw32con").c_str(), X_OK) == 0 &&
           ::access("/usr/bin/convert", X_OK) == 0;
}

// A picture file as RGB, read with ImageMagick.
std::optional<testing::RgbPicture> readPicture(const std::string& path, TempDir& dir) {
    const std::string ppm = dir.file("read.ppm");
    ToolCommand command = toolCommand("/usr/bin/convert");
    command.quoted(path).quoted(ppm);
    if (runTool(command, WorkControl{}).end != ToolEnd::Finished) return std::nullopt;
    return testing::readPpm(ppm);
}

// What the tool chain's two converter runs make of the photo.
std::optional<testing::RgbPicture> classicPreparation(const std::string& photo,
                                                      const ReplaceOptions& options, int width,
                                                      int height, TempDir& dir) {
    WorkControl control;
    ToolCommand prepare = prepareCommand(VELMORA_TOOL_DIR, photo, dir.path(), options);
    prepare.environment.push_back(std::string(kPictureSizeHint) + "=" + std::to_string(width) +
                                  "x" + std::to_string(height));
    if (runTool(prepare, control).end != ToolEnd::Finished) return std::nullopt;
    if (runTool(resizeCommand(VELMORA_TOOL_DIR, dir.path(), width, height), control).end !=
        ToolEnd::Finished)
        return std::nullopt;
    return readPicture(dir.file(kResizedJpeg), dir);
}

TEST(PhotoPreparation, GivesThePictureOfTheToolChainOnEveryOption) {
    if (!haveConverter()) GTEST_SKIP() << "pvw32con is not built in " << VELMORA_TOOL_DIR;
    const std::string photo = fixtures::photoJpeg(1024, 768);
    struct Case {
        const char* name;
        ColorMode colors;
        bool grey;
        Rotation rotation;
        bool h;
        bool v;
    };
    const Case cases[] = {
        {"24-bit", ColorMode::Colors24, false, Rotation::None, false, false},
        {"256 colors", ColorMode::Colors256, false, Rotation::None, false, false},
        {"16 colors", ColorMode::Colors16, false, Rotation::None, false, false},
        {"greyscale", ColorMode::Colors24, true, Rotation::None, false, false},
        {"16 grey", ColorMode::Colors16, true, Rotation::None, false, false},
        {"rotate 90", ColorMode::Colors24, false, Rotation::Rotate90, false, false},
        {"rotate 180", ColorMode::Colors24, false, Rotation::Rotate180, false, false},
        {"rotate 270", ColorMode::Colors24, false, Rotation::Rotate270, false, false},
        {"h. mirroring", ColorMode::Colors24, false, Rotation::None, true, false},
        {"v. mirroring", ColorMode::Colors24, false, Rotation::None, false, true},
        {"all", ColorMode::Colors256, true, Rotation::Rotate90, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        ReplaceOptions options;
        options.Colors = c.colors;
        options.Greyscale = c.grey;
        options.Orientation = c.rotation;
        options.HMirror = c.h;
        options.VMirror = c.v;
        const auto classic = classicPreparation(photo, options, 720, 576, dir);
        ASSERT_TRUE(classic);
        const PreparedPhoto builtin = preparePhoto(photo, options, {720, 576}, {4, 3});
        EXPECT_GE(testing::psnr(*classic, {builtin.width, builtin.height, builtin.rgb}), 45.0);
    }
}

// The person's cancel reaches into the decode and resize of a photo: the
// preparation stops midway instead of finishing first.
TEST(PhotoPreparation, ACancelStopsThePreparationMidway) {
    const std::string photo = fixtures::photoJpeg(1024, 768);
    // The library's threads ask at once.
    std::atomic<int> askedWhole = 0;
    (void)preparePhoto(photo, {}, {720, 576}, {4, 3}, [&] {
        ++askedWhole;
        return false;
    });
    std::atomic<int> asked = 0;
    EXPECT_THROW((void)preparePhoto(photo, {}, {720, 576}, {4, 3}, [&] { return ++asked > 3; }),
                 PreparationError);
    EXPECT_GT(asked, 3);
    EXPECT_LT(asked, askedWhole / 2) << "the preparation ran on after the cancel";
}

// A red disc on white, in a 3:2 photo (the borders of Fit are black).
std::string discPhoto(TempDir& dir) {
    const std::string photo = dir.file("disc.jpg");
    ToolCommand command = toolCommand("/usr/bin/convert");
    command.words("-size 900x600 xc:white -fill red -draw").quoted("circle 450,300 450,120");
    command.words("-quality 95").quoted(photo);
    EXPECT_EQ(runTool(command, WorkControl{}).end, ToolEnd::Finished);
    return photo;
}

// The disc's width over its height as the TV shows it: the 720x576 frame
// fills a 4:3 screen, so each pixel is 16/15 as wide as it is high.
double shownDiscAspect(const testing::RgbPicture& picture) {
    int left = picture.width, right = -1, top = picture.height, bottom = -1;
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            const std::size_t at = (static_cast<std::size_t>(y) * picture.width + x) * 3;
            const bool red = picture.rgb[at] > 160 && picture.rgb[at + 1] < 100;
            if (!red) continue;
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        }
    }
    if (right < left || bottom < top) return 0;
    return (right - left + 1) * (16.0 / 15.0) / (bottom - top + 1);
}

double discAspectAfter(EncoderChoice encoder, FitMode fit) {
    TempDir dir;
    Session session;
    session.TempDir = dir.path();
    session.ToolDir = VELMORA_TOOL_DIR;
    const std::string firmware = dir.write("dump.bin", fixtures::standardFirmware().image);
    ScriptedDialogs ui;
    EXPECT_TRUE(testing::foundPictures(analyzeFirmware(session, ui, firmware), session, ui));
    session.SourcePath = discPhoto(dir);
    session.SourceOpened = true;
    session.Options.Encoder = encoder;
    session.Options.Fit = fit;
    const PictureEntry entry = session.PictureTable[0];  // PAL 720x576, 4:3
    const Result<ConvertedStream> made =
        convertJpegChosen(testing::conversionOf(session), ui, entry, entry.DataSize + entry.Spare);
    EXPECT_TRUE(made.ok()) << ui.logText();
    if (!made.ok()) return 0;
    EXPECT_FALSE(fileExists(session.workFile(kFittedSource)));
    const auto decoded =
        testing::decodeFirstPicture(readImageFile(made->path).bytes(), testing::VideoCodec::Mpeg2);
    EXPECT_TRUE(decoded);
    return decoded ? shownDiscAspect(*decoded) : 0;
}

TEST(PhotoFit, CropAndFitKeepACircleRoundOnTheTv) {
    EXPECT_NEAR(discAspectAfter(EncoderChoice::Builtin, FitMode::Crop), 1.0, 0.04);
    EXPECT_NEAR(discAspectAfter(EncoderChoice::Builtin, FitMode::Fit), 1.0, 0.04);
    // Stretching a 3:2 photo onto 4:3 narrows it by 8:9.
    EXPECT_NEAR(discAspectAfter(EncoderChoice::Builtin, FitMode::Stretch), 8.0 / 9.0, 0.04);
}

TEST(PhotoFit, TheToolChainCropsAndFitsToo) {
    if (!haveConverter()) GTEST_SKIP() << "pvw32con is not built in " << VELMORA_TOOL_DIR;
    EXPECT_NEAR(discAspectAfter(EncoderChoice::Tools, FitMode::Crop), 1.0, 0.04);
    EXPECT_NEAR(discAspectAfter(EncoderChoice::Tools, FitMode::Fit), 1.0, 0.04);
}

TEST(PhotoFit, FittedSizesHaveTheDisplayProportions) {
    EXPECT_EQ(fittedSize({900, 600}, {4, 3}, FitMode::Crop), (PixelSize{800, 600}));
    EXPECT_EQ(fittedSize({900, 600}, {4, 3}, FitMode::Fit), (PixelSize{900, 675}));
    EXPECT_EQ(fittedSize({600, 900}, {16, 9}, FitMode::Crop), (PixelSize{600, 338}));
    EXPECT_EQ(fittedSize({600, 900}, {16, 9}, FitMode::Fit), (PixelSize{1600, 900}));
    EXPECT_EQ(fittedSize({900, 600}, {4, 3}, FitMode::Stretch), (PixelSize{900, 600}));
}

}  // namespace
}  // namespace velmora
