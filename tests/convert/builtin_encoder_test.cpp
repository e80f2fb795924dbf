// SPDX-License-Identifier: GPL-3.0-or-later
// The built-in encoder on the standard fixture's real pictures: the stream fits,
// declares the old picture's parameters, and decodes to the photo.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "catalogue/analysis.h"
#include "convert/builtin_conversion.h"
#include "convert/chosen_conversion.h"
#include "convert/tool_run.h"
#include "firmware/file_io.h"
#include "tests/convert/picture_compare.h"
#include "tests/fixtures/fixture_streams.h"
#include "tests/fixtures/standard_fixtures.h"
#include "tests/fixtures/stream_fields.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/session_replacement.h"
#include "tests/support/temp_dir.h"

namespace velmora {
namespace {

using testing::ScriptedDialogs;
using testing::TempDir;

struct Analysed {
    TempDir dir;
    Session session;
};

// The standard firmware analysed, the photo accepted.
void analyse(Analysed& a, const std::string& photo) {
    a.session.TempDir = a.dir.path();
    a.session.ToolDir = VELMORA_TOOL_DIR;
    const std::string firmware = a.dir.write("dump.bin", fixtures::standardFirmware().image);
    ScriptedDialogs ui;
    ASSERT_TRUE(testing::foundPictures(analyzeFirmware(a.session, ui, firmware), a.session, ui));
    ASSERT_EQ(a.session.PictureCount, 4);
    a.session.SourcePath = photo;
    a.session.SourceOpened = true;
    a.session.Options.Encoder = EncoderChoice::Builtin;
}

std::int32_t roomOf(const PictureEntry& e) {
    return e.DataSize + e.Spare;
}

testing::VideoCodec codecOf(const PictureEntry& e) {
    return e.isMpeg2() ? testing::VideoCodec::Mpeg2 : testing::VideoCodec::Mpeg4;
}

testing::RgbPicture asPicture(const PreparedPhoto& photo) {
    return {photo.width, photo.height, photo.rgb};
}

void expectSameDeclarations(const OldStreamParameters& made, const OldStreamParameters& old) {
    EXPECT_EQ(made.width, old.width);
    EXPECT_EQ(made.height, old.height);
    if (old.mpeg2) {
        const Mpeg2StreamParameters& n = made.sequence;
        const Mpeg2StreamParameters& o = old.sequence;
        EXPECT_EQ(n.aspectCode, o.aspectCode);
        EXPECT_EQ(n.frameRateCode, o.frameRateCode);
        EXPECT_EQ(n.hasExtension, o.hasExtension);
        EXPECT_EQ(n.chromaFormat, o.chromaFormat);
        EXPECT_EQ(n.profileLevel, o.profileLevel);
        EXPECT_EQ(n.progressiveSequence, o.progressiveSequence);
        EXPECT_EQ(n.progressiveFrame, o.progressiveFrame);
        EXPECT_EQ(n.vbvBytes(), o.vbvBytes());
        EXPECT_EQ(n.lowDelay, o.lowDelay);
        EXPECT_EQ(n.topFieldFirst, o.topFieldFirst);
        EXPECT_EQ(n.frameRateExtension, o.frameRateExtension);
        return;
    }
    const VolFields& n = made.layer.fields;
    const VolFields& o = old.layer.fields;
    ASSERT_TRUE(n.readable);
    EXPECT_EQ(made.layer.objectCode, old.layer.objectCode);
    EXPECT_EQ(n.objectType, o.objectType);
    EXPECT_EQ(n.verid, o.verid);
    EXPECT_EQ(n.aspectRatioInfo, o.aspectRatioInfo);
    EXPECT_EQ(n.volControl, o.volControl);
    EXPECT_EQ(n.chromaFormat, o.chromaFormat);
    EXPECT_EQ(n.lowDelay, o.lowDelay);
    EXPECT_EQ(n.timeIncrementResolution, o.timeIncrementResolution);
    EXPECT_EQ(n.fixedVopRate, o.fixedVopRate);
    EXPECT_EQ(n.interlaced, o.interlaced);
    EXPECT_EQ(n.quantType, o.quantType);
    EXPECT_EQ(n.spriteEnable, o.spriteEnable);
    EXPECT_EQ(made.layer.hasGroupOfVops, old.layer.hasGroupOfVops);
}

TEST(BuiltinEncoder, EveryPictureKindGetsAFittingStreamWithTheOldParametersThatLooksLikeThePhoto) {
    Analysed a;
    analyse(a, fixtures::photoJpeg(1024, 768));
    for (int picture = 0; picture < a.session.PictureCount; ++picture) {
        SCOPED_TRACE("picture " + std::to_string(picture + 1));
        a.session.SelectedPicture = picture;
        const PictureEntry entry = *a.session.selected();
        const std::optional<OldStreamParameters> old = oldPictureParameters(a.session, entry);
        ASSERT_TRUE(old);
        ScriptedDialogs ui;
        const Result<ConvertedStream> made =
            convertJpegChosen(testing::conversionOf(a.session), ui, entry, roomOf(entry));
        ASSERT_TRUE(made.ok()) << ui.logText();
        EXPECT_EQ(ui.lines.front(), "Begin to convert JPEG image using Dichotomy method.");
        EXPECT_EQ(ui.lines.back(), "Finished!");
        EXPECT_GE(ui.lines.size(), 3u);
        EXPECT_EQ(made->offset, 0);
        const std::vector<std::uint8_t> stream = readImageFile(made->path).bytes();

        const auto limit = static_cast<double>(streamLimit(*old, roomOf(entry)));
        EXPECT_LE(static_cast<double>(stream.size()), limit);
        EXPECT_GE(static_cast<double>(stream.size()), 0.98 * limit) << "the room is not filled\n"
                                                                    << ui.logText();

        const std::optional<OldStreamParameters> declared =
            readOldStreamParameters(stream, entry.isMpeg2());
        ASSERT_TRUE(declared);
        expectSameDeclarations(*declared, *old);
        if (entry.isMpeg2()) {
            ASSERT_GE(stream.size(), 4u);
            EXPECT_EQ(std::vector<std::uint8_t>(stream.end() - 4, stream.end()),
                      (std::vector<std::uint8_t>{0x00, 0x00, 0x01, 0xB7}));
        } else {
            EXPECT_EQ(std::vector<std::uint8_t>(stream.begin(), stream.begin() + 3),
                      (std::vector<std::uint8_t>{0x00, 0x00, 0x01}));
            const int header = fixtures::mpeg4HeaderLength(stream);
            EXPECT_GT(header, 0) << "the first VOP lies beyond the header window";
            EXPECT_LE(header, 130);
            EXPECT_EQ(fixtures::findCode(stream, 0, 0xB2), fixtures::kNotFound);
        }

        const std::optional<testing::RgbPicture> decoded =
            testing::decodeFirstPicture(stream, codecOf(entry));
        ASSERT_TRUE(decoded);
        const PreparedPhoto prepared =
            preparePhoto(a.session.SourcePath, a.session.Options, {old->width, old->height},
                         fractionOf(old->aspect()));
        EXPECT_GT(testing::psnr(*decoded, asPicture(prepared)), 30.0);
    }
}

TEST(BuiltinEncoder, AMovedMpeg2PictureGrowsToTheDeclaredBufferAndNoFurther) {
    Analysed a;
    analyse(a, fixtures::photoJpeg(1024, 768));
    const PictureEntry entry = a.session.PictureTable[0];
    const std::optional<OldStreamParameters> old = oldPictureParameters(a.session, entry);
    ASSERT_TRUE(old);
    const std::int64_t buffer = old->sequence.vbvBytes();
    ASSERT_GT(buffer, 0);
    ScriptedDialogs ui;
    const Result<ConvertedStream> made =
        convertJpegBuiltin(testing::conversionOf(a.session), ui, entry, 1 << 20);
    ASSERT_TRUE(made.ok()) << ui.logText();
    const auto size = static_cast<std::int64_t>(readImageFile(made->path).bytes().size());
    EXPECT_LE(size, buffer);
}

TEST(BuiltinEncoder, ARoomTooSmallForAnyPictureIsRefusedWithTheUsualText) {
    Analysed a;
    analyse(a, fixtures::photoJpeg(1024, 768));
    const PictureEntry entry = a.session.PictureTable[2];
    ScriptedDialogs ui;
    const Result<ConvertedStream> made =
        convertJpegBuiltin(testing::conversionOf(a.session), ui, entry, 500);
    ASSERT_FALSE(made.ok());
    tellPerson(made.outcome(), ui);
    ASSERT_FALSE(ui.boxes.empty());
    EXPECT_EQ(ui.boxes.back().text, "Sorry, I can not convert image into MPEG4...!");
    EXPECT_FALSE(fileExists(a.session.workFile("$jpg_res.m4v")));
}

// An MPEG-4 picture of another encoder (Xvid: its own layer fields, user data
// before the picture): the new stream declares its layer and carries none.
TEST(BuiltinEncoder, AnXvidPictureKeepsItsLayerFields) {
    const std::string xvid = joinPath(VELMORA_TOOL_DIR, "xvid_encraw");
    if (!fileExists(xvid) || !fileExists("/usr/bin/ffmpeg")) GTEST_SKIP() << "no xvid_encraw";
    TempDir dir;
    const std::string photo = fixtures::photoJpeg(1024, 768);
    ToolCommand raw = toolCommand("/usr/bin/ffmpeg");
    raw.words("-nostdin -v error -y -i").quoted(photo);
    raw.words("-s 720x576 -pix_fmt yuv420p -f rawvideo").quoted(dir.file("raw.yuv"));
    ASSERT_EQ(runTool(raw, WorkControl{}).end, ToolEnd::Finished);
    ToolCommand encode = toolCommand(xvid);
    encode.words("-i").quoted(dir.file("raw.yuv"));
    encode.words("-type 0 -single -cq 4 -w 720 -h 576 -framerate 25 -frames 1 -qtype 0 -o");
    encode.quoted(dir.file("old.m4v"));
    ASSERT_EQ(runTool(encode, WorkControl{}).end, ToolEnd::Finished);
    const std::vector<std::uint8_t> oldStream = readImageFile(dir.file("old.m4v")).bytes();
    const std::optional<OldStreamParameters> old = readOldStreamParameters(oldStream, false);
    ASSERT_TRUE(old);
    ASSERT_TRUE(old->layer.fields.readable);
    const PreparedPhoto prepared =
        preparePhoto(photo, ReplaceOptions{}, {old->width, old->height}, fractionOf(old->aspect()));
    const PictureEncoder encoder(*old, prepared);
    const std::optional<std::vector<std::uint8_t>> stream = encoder.encode(EncoderSetting{4, 472});
    ASSERT_TRUE(stream);
    const std::optional<OldStreamParameters> declared = readOldStreamParameters(*stream, false);
    ASSERT_TRUE(declared);
    expectSameDeclarations(*declared, *old);
    EXPECT_EQ(fixtures::findCode(*stream, 0, 0xB2), fixtures::kNotFound);
    const int header = fixtures::mpeg4HeaderLength(*stream);
    EXPECT_GT(header, 0);
    EXPECT_LE(header, 130);
    const auto decoded = testing::decodeFirstPicture(*stream, testing::VideoCodec::Mpeg4);
    ASSERT_TRUE(decoded);
    EXPECT_GT(testing::psnr(*decoded, asPicture(prepared)), 30.0);
}

// A smooth real photograph (a cat, from Debian's python3-skimage): the MPEG-4
// picture fills its room, and at equal bytes it is at least as good as the
// whole-quantiser encode.
// The search aims its first tries by the two halves of the picture: their
// sizes must tell the whole one's closely, also when the halves have unequal
// rows (a height of 15 macroblock rows, the last one partly filled).
TEST(BuiltinEncoder, TheTwoHalvesOfAPictureTellItsSizeClosely) {
    for (const auto& [width, height] : {std::pair{720, 576}, std::pair{352, 236}}) {
        SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height));
        const std::optional<OldStreamParameters> old =
            readOldStreamParameters(fixtures::mpeg4Still(width, height), false);
        ASSERT_TRUE(old);
        const PreparedPhoto photo =
            preparePhoto(fixtures::photoJpeg(1024, 768), ReplaceOptions{},
                         {old->width, old->height}, fractionOf(old->aspect()));
        const PictureEncoder encoder(*old, photo);
        for (const int lambda : {330, 700}) {
            const EncoderSetting setting{0, lambda, true};
            const std::optional<std::vector<std::uint8_t>> whole = encoder.encode(setting);
            const std::optional<std::int64_t> first = encoder.halfSize(setting, 0);
            const std::optional<std::int64_t> second = encoder.halfSize(setting, 1);
            ASSERT_TRUE(whole && first && second);
            const double ratio =
                static_cast<double>(whole->size()) / static_cast<double>(*first + *second);
            EXPECT_GT(ratio, 0.96);
            EXPECT_LT(ratio, 1.02);
        }
    }
}

// The macroblocks' quantisers follow lambda in a window that moves with it:
// every lambda the search may ask for must encode, and the size must keep
// falling along lambda, across the window's moves too (at each half
// quantiser, and where quantiser 1 leaves it).
TEST(BuiltinEncoder, AnMpeg4PictureShrinksSteadilyAlongTheWholeLambdaRange) {
    const std::optional<OldStreamParameters> old =
        readOldStreamParameters(fixtures::mpeg4Still(720, 576), false);
    ASSERT_TRUE(old);
    const PreparedPhoto photo = preparePhoto(fixtures::photoJpeg(1024, 768), ReplaceOptions{},
                                             {old->width, old->height}, fractionOf(old->aspect()));
    const PictureEncoder encoder(*old, photo);
    const QualitySearchLimits limits;
    std::optional<std::size_t> finer;
    for (const int lambda :
         {limits.finestLambda, 176, 177, 178, 294, 295, 296, 413, 1000, limits.coarsestLambda}) {
        SCOPED_TRACE("lambda " + std::to_string(lambda));
        const std::optional<std::vector<std::uint8_t>> stream =
            encoder.encode(EncoderSetting{0, lambda, true});
        ASSERT_TRUE(stream);
        if (finer) {
            EXPECT_LE(static_cast<double>(stream->size()), 1.02 * static_cast<double>(*finer));
        }
        finer = stream->size();
    }
}

TEST(BuiltinEncoder, ASmoothPhotoFillsAnMpeg4RoomAndLosesNothingAtEqualBytes) {
    const std::string cat = "/usr/lib/python3/dist-packages/skimage/data/chelsea.png";
    if (!fileExists(cat)) GTEST_SKIP() << "no python3-skimage";
    const std::optional<OldStreamParameters> old =
        readOldStreamParameters(fixtures::mpeg4Still(720, 576), false);
    ASSERT_TRUE(old);
    const PreparedPhoto prepared =
        preparePhoto(cat, ReplaceOptions{}, {old->width, old->height}, fractionOf(old->aspect()));
    const WorkControl control;
    ScriptedDialogs ui;
    const Result<std::vector<std::uint8_t>> filled =
        encodeToFit(*old, prepared, 31000, ui, control);
    ASSERT_TRUE(filled.ok()) << ui.logText();
    EXPECT_LE(filled->size(), 31000u);
    EXPECT_GE(filled->size(), 0.98 * 31000) << ui.logText();

    const PictureEncoder encoder(*old, prepared);
    const std::optional<std::vector<std::uint8_t>> whole = encoder.encode(EncoderSetting{5, 590});
    ASSERT_TRUE(whole);
    const Result<std::vector<std::uint8_t>> equal =
        encodeToFit(*old, prepared, static_cast<std::int64_t>(whole->size()), ui, control);
    ASSERT_TRUE(equal.ok());
    EXPECT_LE(equal->size(), whole->size());
    const auto decodedEqual = testing::decodeFirstPicture(*equal, testing::VideoCodec::Mpeg4);
    const auto decodedWhole = testing::decodeFirstPicture(*whole, testing::VideoCodec::Mpeg4);
    ASSERT_TRUE(decodedEqual && decodedWhole);
    EXPECT_GE(testing::psnr(*decodedEqual, asPicture(prepared)) + 0.05,
              testing::psnr(*decodedWhole, asPicture(prepared)));
}

// The person cancels as soon as the first try is logged.
class CancelAtFirstTry : public ScriptedDialogs {
  public:
    explicit CancelAtFirstTry(WorkControl& control) : control_(control) {}
    void log(const std::string& line) override {
        ScriptedDialogs::log(line);
        if (line.rfind("Converting using", 0) == 0) control_.requestCancel();
    }

  private:
    WorkControl& control_;
};

// Cancels at the first try of the conversion of picture `index`: the search
// stops after that try's line and leaves no stream.
void expectACancelAtTheFirstTryStopsThere(int index, bool mpeg2, bool roomOfThePicture) {
    Analysed a;
    analyse(a, fixtures::photoJpeg(1024, 768));
    const PictureEntry entry = a.session.PictureTable[index];
    ASSERT_EQ(entry.isMpeg2(), mpeg2);
    CancelAtFirstTry ui(*a.session.Control);
    const Result<ConvertedStream> made = convertJpegBuiltin(
        testing::conversionOf(a.session), ui, entry, roomOfThePicture ? roomOf(entry) : 1 << 20);
    ASSERT_FALSE(made.ok());
    EXPECT_TRUE(made.outcome().is<Cancelled>()) << ui.logText();
    EXPECT_EQ(std::count_if(
                  ui.lines.begin(), ui.lines.end(),
                  [](const std::string& line) { return line.rfind("Converting using", 0) == 0; }),
              1)
        << ui.logText();
    EXPECT_FALSE(fileExists(a.session.workFile(entry.isMpeg2() ? "$jpg_res.m2v" : "$jpg_res.m4v")));
}

TEST(BuiltinEncoder, ACancelStopsTheSearchAndLeavesNoStream) {
    expectACancelAtTheFirstTryStopsThere(0, true, false);
}

// Two MPEG-4 tries run side by side: a cancel after the first one's line
// logs no second one.
TEST(BuiltinEncoder, ACancelDuringTriesSideBySideStopsAfterTheFirstLine) {
    expectACancelAtTheFirstTryStopsThere(2, false, true);
}

}  // namespace
}  // namespace velmora
