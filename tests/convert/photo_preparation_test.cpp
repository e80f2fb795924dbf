// SPDX-License-Identifier: GPL-3.0-or-later
// The fast preparation of a JPEG (scaled decode, resize while decoding)
// against ImageMagick's own on the same photo: every orientation and fit, on
// photos of odd sizes, subsampled colour and grey, shrunk and enlarged.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "convert/photo_preparation.h"
#include "convert/scaled_jpeg.h"
#include "convert/tool_run.h"
#include "tests/convert/picture_compare.h"
#include "tests/support/temp_dir.h"

namespace velmora {
namespace {

using testing::TempDir;

// A photo-like picture (smooth colour, swirl, fine noise) of the given size
// and chroma subsampling.
std::string photo(TempDir& dir, const std::string& name, int width, int height,
                  const std::string& sampling, const std::string& more = "") {
    const std::string path = dir.file(name);
    ToolCommand command = toolCommand("/usr/bin/convert");
    command.words("-seed 5 -size").words(std::to_string(width) + "x" + std::to_string(height));
    command.words("plasma:darkgreen-yellow -swirl 60 -attenuate 0.3 +noise Gaussian -blur 0x0.6");
    if (!more.empty()) command.words(more);
    command.words("-sampling-factor").words(sampling).words("-quality 90").quoted(path);
    EXPECT_EQ(runTool(command, WorkControl{}).end, ToolEnd::Finished);
    return path;
}

testing::RgbPicture asPicture(const PreparedPhoto& photo) {
    return {photo.width, photo.height, photo.rgb};
}

double samePicture(const std::string& path, const ReplaceOptions& options, PixelSize frame,
                   AspectFraction display) {
    const PreparedPhoto fast = preparePhoto(path, options, frame, display);
    const PreparedPhoto library =
        preparePhoto(path, options, frame, display, {}, PreparationWay::Library);
    EXPECT_EQ(fast.width, frame.width);
    EXPECT_EQ(fast.height, frame.height);
    return testing::psnr(asPicture(fast), asPicture(library));
}

TEST(FastPhotoPreparation, GivesTheLibrarysPictureOnEveryOrientationAndFit) {
    TempDir dir;
    struct Photo {
        std::string path;
        PixelSize frame;
        AspectFraction display;
    };
    // Shrunk at a DCT scale (2001 / 720 leaves a half), odd sizes so that
    // every centring rounds; a portrait on a wide screen; one enlarged.
    const std::vector<Photo> photos = {
        {photo(dir, "a.jpg", 2001, 1337, "2x2"), {720, 576}, {4, 3}},
        {photo(dir, "b.jpg", 1001, 1503, "2x1"), {720, 480}, {16, 9}},
        {photo(dir, "c.jpg", 503, 377, "1x1"), {720, 576}, {4, 3}},
        {photo(dir, "grey.jpg", 1203, 901, "1x1", "-colorspace Gray"), {720, 576}, {4, 3}},
    };
    const Rotation turns[] = {Rotation::None, Rotation::Rotate90, Rotation::Rotate180,
                              Rotation::Rotate270};
    const FitMode fits[] = {FitMode::Stretch, FitMode::Crop, FitMode::Fit};
    for (const Photo& p : photos) {
        const std::vector<std::uint8_t> bytes = testing::readFile(p.path);
        EXPECT_TRUE(ScaledJpeg(bytes).usable()) << p.path << " would not go the fast way";
        for (Rotation turn : turns) {
            for (FitMode fit : fits) {
                ReplaceOptions options;
                options.Orientation = turn;
                options.Fit = fit;
                // The mirrors on some, so that each meets a turn and a fit.
                options.HMirror = turn == Rotation::Rotate90 || turn == Rotation::Rotate180;
                options.VMirror = fit == FitMode::Crop;
                SCOPED_TRACE(p.path + " turn " + std::to_string(static_cast<int>(turn)) + " fit " +
                             std::to_string(static_cast<int>(fit)));
                EXPECT_GE(samePicture(p.path, options, p.frame, p.display), 50.0);
            }
        }
    }
    ReplaceOptions grey;
    grey.Greyscale = true;
    grey.Orientation = Rotation::Rotate270;
    EXPECT_GE(samePicture(photos[0].path, grey, {720, 576}, {4, 3}), 50.0);
}

// The decoder scales by the DCT as far as the photo still covers the frame,
// and no further; for a crop, as far as the part kept still covers it.
TEST(FastPhotoPreparation, DecodesAtTheSmallestScaleThatCoversTheFrame) {
    TempDir dir;
    const std::string path = dir.file("tall.jpg");
    ToolCommand command = toolCommand("/usr/bin/convert");
    command.words("-size 1500x2250 gradient:red-blue +noise Gaussian -quality 90").quoted(path);
    ASSERT_EQ(runTool(command, WorkControl{}).end, ToolEnd::Finished);
    const std::vector<std::uint8_t> bytes = testing::readFile(path);
    const auto decodedFor = [&](const ReplaceOptions& options, AspectFraction display) {
        ScaledJpeg jpeg(bytes);
        EXPECT_TRUE(jpeg.usable());
        EXPECT_TRUE(jpeg.start(scaleDenominator(
            jpeg.size(), decodeWanted(jpeg.size(), options, {720, 576}, display))));
        return jpeg.scaledSize();
    };
    // 1500/720 and 2250/576 leave 2: half the size.
    EXPECT_EQ(decodedFor({}, {4, 3}), (PixelSize{750, 1125}));
    // Turned, the frame lies the other way on the photo: 1500/576, 2250/720.
    ReplaceOptions turned;
    turned.Orientation = Rotation::Rotate270;
    EXPECT_EQ(decodedFor(turned, {4, 3}), (PixelSize{750, 1125}));
    // A 16:9 crop keeps 844 of the 2250 rows: half of them would not do.
    ReplaceOptions crop;
    crop.Fit = FitMode::Crop;
    const PixelSize decoded = decodedFor(crop, {16, 9});
    const PixelSize kept = fittedSize(decoded, {16, 9}, FitMode::Crop);
    EXPECT_GE(kept.width, 720);
    EXPECT_GE(kept.height, 576);
    EXPECT_EQ(decoded, (PixelSize{1500, 2250}));

    ScaledJpeg jpeg(bytes);
    ASSERT_TRUE(jpeg.start(2));
    std::vector<std::uint8_t> rows(750 * 3 * 1125);
    int read = 0;
    for (int got = 1; got > 0; read += got) got = jpeg.readRows(rows.data() + read * 750 * 3, 7);
    EXPECT_EQ(read, 1125);
}

// A photo cut short goes the library's way, which makes what it can of it.
TEST(FastPhotoPreparation, ADamagedPhotoGoesTheLibrarysWay) {
    TempDir dir;
    std::vector<std::uint8_t> bytes = testing::readFile(photo(dir, "c.jpg", 800, 600, "2x2"));
    bytes.resize(bytes.size() / 2);
    const std::string cut = dir.write("cut.jpg", bytes);
    EXPECT_TRUE(ScaledJpeg(bytes).usable()) << "the header is whole";
    const PreparedPhoto fast = preparePhoto(cut, {}, {720, 576}, {4, 3});
    const PreparedPhoto library =
        preparePhoto(cut, {}, {720, 576}, {4, 3}, {}, PreparationWay::Library);
    EXPECT_EQ(fast.rgb, library.rgb);
}

}  // namespace
}  // namespace velmora
