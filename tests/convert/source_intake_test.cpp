// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/source_intake.h"
#include "convert/jpeg_size.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "convert/tool_run.h"
#include "firmware/file_io.h"
#include "firmware/io_error.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/temp_dir.h"

namespace velmora {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes segment(std::uint8_t code, const Bytes& payload) {
    const auto length = static_cast<std::uint16_t>(payload.size() + 2);
    // Sized once and written into: appending to the four marker bytes makes
    // GCC 12 at -O3 warn of a copy past them (-Warray-bounds, a false alarm).
    Bytes bytes(4 + payload.size());
    bytes[0] = 0xFF;
    bytes[1] = code;
    bytes[2] = static_cast<std::uint8_t>(length >> 8);
    bytes[3] = static_cast<std::uint8_t>(length & 0xFF);
    std::copy(payload.begin(), payload.end(), bytes.begin() + 4);
    return bytes;
}

// A frame header payload: precision, height, width, one component.
Bytes frameHeader(int width, int height) {
    return {8,
            static_cast<std::uint8_t>(height >> 8),
            static_cast<std::uint8_t>(height & 0xFF),
            static_cast<std::uint8_t>(width >> 8),
            static_cast<std::uint8_t>(width & 0xFF),
            1,
            1,
            0x11,
            0};
}

Bytes jpeg(const std::vector<Bytes>& segments) {
    Bytes bytes{0xFF, 0xD8};
    for (const auto& s : segments) bytes.insert(bytes.end(), s.begin(), s.end());
    return bytes;
}

const Bytes kApp0 = segment(0xE0, {'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0});
const Bytes kQuantTable = segment(0xDB, Bytes(65, 1));

// Makes a picture with the system's ImageMagick.
bool makePicture(const std::string& path, const std::string& size, bool progressive) {
    ToolCommand command = toolCommand("/usr/bin/convert");
    command.words("-size " + size + " gradient:red-blue");
    if (progressive) command.words("-interlace JPEG");
    command.quoted(path);
    return fileExists("/usr/bin/convert") &&
           runTool(command, WorkControl{}).end == ToolEnd::Finished && fileExists(path);
}

TEST(ReadJpegSize, FindsTheBaselineFrameHeaderAfterOtherSegments) {
    testing::TempDir dir;
    const auto path =
        dir.write("a.jpg", jpeg({kApp0, kQuantTable, segment(0xC0, frameHeader(640, 480))}));
    const auto size = ReadJpegSize(path);
    ASSERT_TRUE(size);
    EXPECT_EQ(size->width, 640);
    EXPECT_EQ(size->height, 480);
}

TEST(ReadJpegSize, ReadsTheFullSixteenBitRangeBigEndian) {
    testing::TempDir dir;
    const auto path = dir.write("a.jpg", jpeg({kApp0, segment(0xC0, frameHeader(65535, 258))}));
    const auto size = ReadJpegSize(path);
    ASSERT_TRUE(size);
    EXPECT_EQ(size->width, 65535);
    EXPECT_EQ(size->height, 258);
}

TEST(ReadJpegSize, RejectsBrokenHeaders) {
    const Bytes sof0 = segment(0xC0, frameHeader(720, 576));
    const Bytes good = jpeg({kApp0, sof0});
    struct Case {
        const char* name;
        Bytes bytes;
    };
    std::vector<Case> cases = {
        {"empty file", {}},
        {"one byte", {0xFF}},
        {"no start of image",
         [&] {
             Bytes b = good;
             b[1] = 0xD9;
             return b;
         }()},
        {"start of image only", {0xFF, 0xD8}},
        {"first marker without its length", {0xFF, 0xD8, 0xFF, 0xE0, 0x00}},
        {"frame header right after the start of image", jpeg({sof0})},
        {"progressive frame only", jpeg({kApp0, segment(0xC2, frameHeader(720, 576))})},
        {"extended frame only", jpeg({kApp0, segment(0xC1, frameHeader(720, 576))})},
        {"broken chain",
         [&] {
             Bytes b = jpeg({kApp0, kQuantTable, sof0});
             b[kApp0.size() + 2] = 0x00;  // the quantisation table's FF
             return b;
         }()},
        {"segment length runs past the end",
         jpeg({segment(0xE0, Bytes(4, 0)), Bytes{0xFF, 0xDB, 0x40}})},
        {"truncated inside the frame header", Bytes(good.begin(), good.end() - 5)},
        {"truncated after the frame marker",
         Bytes(good.begin(), good.begin() + 2 + kApp0.size() + 2)},
        {"truncated at the next marker", Bytes(good.begin(), good.begin() + 2 + kApp0.size())},
        {"marker prefix as last byte", Bytes(good.begin(), good.begin() + 2 + kApp0.size() + 1)},
    };
    testing::TempDir dir;
    for (const auto& c : cases) {
        const auto path = dir.write("case.jpg", c.bytes);
        EXPECT_FALSE(ReadJpegSize(path)) << c.name;
    }
}

TEST(ReadJpegSize, AZeroLengthSegmentStillMovesOn) {
    testing::TempDir dir;
    // A length of 0 points the next marker at the length field itself (00):
    // the walk fails rather than looping.
    const auto path = dir.write("z.jpg", jpeg({Bytes{0xFF, 0xE0, 0x00, 0x00}, kApp0}));
    EXPECT_FALSE(ReadJpegSize(path));
}

TEST(ReadJpegSize, AFileThatCannotBeOpenedIsAnIoError) {
    testing::TempDir dir;
    EXPECT_THROW((void)ReadJpegSize(dir.file("missing.jpg")), IoError);
    EXPECT_THROW((void)ReadJpegSize(dir.path()), IoError);
}

TEST(ReadJpegSize, RealPicturesFromImageMagick) {
    testing::TempDir dir;
    const auto baseline = dir.file("baseline.jpg");
    const auto progressive = dir.file("progressive.jpg");
    if (!makePicture(baseline, "720x576", false) || !makePicture(progressive, "720x576", true))
        GTEST_SKIP() << "/usr/bin/convert cannot make JPEG pictures here";
    const auto size = ReadJpegSize(baseline);
    ASSERT_TRUE(size);
    EXPECT_EQ(size->width, 720);
    EXPECT_EQ(size->height, 576);
    EXPECT_FALSE(ReadJpegSize(progressive));
}

TEST(IsJpegSource, ExtensionDecides) {
    struct Case {
        const char* path;
        bool jpeg;
    };
    for (const Case& c : std::vector<Case>{
             {"photo.JPG", true},
             {"photo.jpeg", true},
             {"photo.Jpeg", true},
             {"/a/b/photo.jpg", true},
             {"photo.tar.jpg", true},
             {"photo.jpe", false},
             {"photo.jfif", false},
             {"photo", false},
             {"clip.m2v", false},
             {"photo.jpg.m2v", false},
             {"/pictures.jpg/photo", false},
             {".jpg", true},
             {"photo.jpg ", false},
             {"photo.\xC3\xA9jpg", false},
         }) {
        EXPECT_EQ(isJpegSource(c.path), c.jpeg) << c.path;
    }
}

TEST(SourceFilterFor, OneFilterPerKind) {
    EXPECT_EQ(sourceFilterFor(2),
              "JPEG picture (*.jpeg; *.jpg)|*.jpg;*.jpeg|Custom MPEG2 video (*.m2v;*.mpg; "
              "*.mpeg)|*.m2v;*.mpg;*.mpeg|Other pictures|*.png;*.bmp;*.tif;*.tiff;*.webp;*.gif|"
              "All files|*");
    const std::string mpeg4 =
        "JPEG picture (*.jpeg; *.jpg)|*.jpg;*.jpeg|Custom MPEG4 video (*.m4v;*.mpg; "
        "*.mpeg)|*.m4v;*.mpg;*.mpeg|Other pictures|*.png;*.bmp;*.tif;*.tiff;*.webp;*.gif|"
        "All files|*";
    EXPECT_EQ(sourceFilterFor(4), mpeg4);
    EXPECT_EQ(sourceFilterFor(0), mpeg4);
}

class OpenReplacementSource : public ::testing::Test {
  protected:
    OpenReplacementSource() {
        session.PictureTable[0].Kind = 2;
        session.PictureTable[1].Kind = 4;
        session.PictureCount = 2;
        session.PicturesFound = true;
    }

    // A real photo: it is decoded whole when opened.
    std::string goodJpeg(const std::string& name, int width, int height) {
        const std::string path = dir.file(name);
        EXPECT_TRUE(makePicture(path, std::to_string(width) + "x" + std::to_string(height), false));
        return path;
    }
    std::string picture(const std::string& name, const std::string& format, int width, int height) {
        const std::string made = goodJpeg("made." + format, width, height);
        const std::string path = dir.file(name);
        std::filesystem::rename(made, path);
        return path;
    }

    // Accepts the file as every front end does with a path it has, keeping
    // the source when it was accepted.
    Outcome accept(const std::string& path) {
        const Result<ReplacementSource> accepted = acceptReplacementSource(path, ui);
        if (!accepted.ok()) return accepted.outcome();
        static_cast<ReplacementSource&>(session) = *accepted;
        return Outcome::done();
    }

    testing::TempDir dir;
    Session session;
    testing::ScriptedDialogs ui;
};

TEST_F(OpenReplacementSource, AcceptsAJpegWithItsSize) {
    ASSERT_TRUE(accept(goodJpeg("photo.jpg", 720, 576)).isDone());
    const AcceptedSource* accepted = &session.SourceAccepted;
    EXPECT_EQ(accepted->panelCaption, "JPEG 720x576: photo.jpg");
    EXPECT_TRUE(accepted->isJpeg);
    EXPECT_EQ(ui.lines, std::vector<std::string>{"JPEG Image opened."});
    EXPECT_TRUE(session.SourceOpened);
    EXPECT_EQ(session.SourcePath, dir.file("photo.jpg"));
}

TEST_F(OpenReplacementSource, AcceptsAReadyStreamWithoutReadingIt) {
    ASSERT_TRUE(accept(dir.file("clip.m2v")).isDone());  // not even there: read at replace time
    const AcceptedSource* accepted = &session.SourceAccepted;
    EXPECT_EQ(accepted->panelCaption, "MPEG file: clip.m2v");
    EXPECT_FALSE(accepted->isJpeg);
    EXPECT_EQ(ui.lines, std::vector<std::string>{"Custom MPEG file opened."});
    EXPECT_TRUE(session.SourceOpened);
    EXPECT_EQ(session.SourcePath, dir.file("clip.m2v"));
}

TEST_F(OpenReplacementSource, RejectedJpegKeepsTheEarlierSource) {
    ASSERT_TRUE(accept(goodJpeg("first.jpeg", 640, 480)).isDone());
    EXPECT_FALSE(testing::toldDone(accept(dir.write("broken.JPG", {0xFF, 0xD8, 0xFF})), ui));

    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].kind, "error");
    EXPECT_EQ(ui.boxes[0].caption, "ERROR!");
    EXPECT_EQ(ui.boxes[0].text, "JPEG file corrupted!");
    EXPECT_EQ(ui.lines, std::vector<std::string>{"JPEG Image opened."});
    EXPECT_TRUE(session.SourceOpened);
    EXPECT_EQ(session.SourcePath, dir.file("first.jpeg"));
}

TEST_F(OpenReplacementSource, RejectedJpegWithNoEarlierSourceLeavesNoneOpened) {
    EXPECT_FALSE(testing::toldDone(
        accept(dir.write("photo.jpg", jpeg({segment(0xC0, frameHeader(720, 576))}))), ui));
    EXPECT_FALSE(session.SourceOpened);
    EXPECT_TRUE(session.SourcePath.empty());
}

TEST_F(OpenReplacementSource, UnreadableJpegIsAnIoErrorAndChangesNothing) {
    EXPECT_TRUE(accept(dir.file("gone.jpg")).is<IoFailure>());
    EXPECT_FALSE(session.SourceOpened);
    EXPECT_TRUE(ui.lines.empty());
}

TEST_F(OpenReplacementSource, AFifoOrAFolderIsRefusedAsNotAFileWithoutWaiting) {
    const auto fifo = dir.file("pipe.jpg");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::filesystem::create_directory(dir.file("photos.jpg"));
    for (const auto& path : {fifo, dir.file("photos.jpg")}) {
        const Outcome opened = accept(path);
        ASSERT_TRUE(opened.is<IoFailure>());
        EXPECT_EQ(opened.get<IoFailure>().text, "Cannot open " + fileNameOf(path) + ": not a file");
        EXPECT_FALSE(session.SourceOpened);
    }
}

TEST_F(OpenReplacementSource, RealBaselinePicture) {
    const auto path = dir.file("photo.jpg");
    if (!makePicture(path, "720x576", false))
        GTEST_SKIP() << "/usr/bin/convert cannot make JPEG pictures here";
    ASSERT_TRUE(accept(path).isDone());
    const AcceptedSource* accepted = &session.SourceAccepted;
    EXPECT_EQ(accepted->panelCaption, "JPEG 720x576: photo.jpg");
}

TEST_F(OpenReplacementSource, APhotoCutShortIsRefusedWhenOpenedNamingTheFile) {
    const std::string whole = goodJpeg("whole.jpg", 720, 576);
    Bytes bytes = readImageFile(whole).bytes();
    bytes.resize(bytes.size() * 2 / 3);  // the header is whole, the picture data is not
    const std::string cut = dir.write("photo.jpg", bytes);
    ASSERT_TRUE(ReadJpegSize(cut));
    EXPECT_FALSE(testing::toldDone(accept(cut), ui));
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].caption, "ERROR!");
    EXPECT_EQ(ui.boxes[0].text, "photo.jpg is damaged: its picture data ends early.");
    EXPECT_FALSE(session.SourceOpened);
}

TEST_F(OpenReplacementSource, PhotosInOtherFormatsAreToldByTheirContent) {
    struct Case {
        const char* name;
        const char* format;
        const char* caption;
    };
    for (const Case& c : {Case{"photo.png", "png", "PNG 64x48: photo.png"},
                          Case{"photo.bmp", "bmp", "BMP 64x48: photo.bmp"},
                          Case{"photo.tif", "tif", "TIFF 64x48: photo.tif"},
                          Case{"photo.webp", "webp", "WebP 64x48: photo.webp"},
                          Case{"photo.gif", "gif", "GIF 64x48: photo.gif"},
                          Case{"really-a-png.jpg", "png", "PNG 64x48: really-a-png.jpg"},
                          Case{"no-name-ending", "jpg", "JPEG 64x48: no-name-ending"}}) {
        SCOPED_TRACE(c.name);
        const std::string path = picture(c.name, c.format, 64, 48);
        ASSERT_TRUE(accept(path).isDone());
        EXPECT_EQ(session.SourceAccepted.panelCaption, c.caption);
        EXPECT_TRUE(session.SourceAccepted.isJpeg) << "converted like a JPEG";
        EXPECT_TRUE(isJpegSource(path));
    }
    EXPECT_EQ(ui.lines.front(), "PNG Image opened.");
}

TEST_F(OpenReplacementSource, AFileThatIsNeitherPictureNorStreamIsRefusedSayingSo) {
    EXPECT_FALSE(testing::toldDone(accept(dir.write("notes.txt", Bytes(200, 'a'))), ui));
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, "notes.txt holds neither a picture nor an MPEG video stream.");
    EXPECT_FALSE(session.SourceOpened);
    // A stream by its content, and by its name whatever it holds.
    Bytes stream(64, 0);
    stream[10] = 0x01;
    stream[11] = 0xB3;
    ASSERT_TRUE(accept(dir.write("clip.es", stream)).isDone());
    EXPECT_FALSE(session.SourceAccepted.isJpeg);
    const std::string pngNamedM2v = picture("clip.mpeg", "png", 16, 16);
    ASSERT_TRUE(accept(pngNamedM2v).isDone());
    EXPECT_EQ(session.SourceAccepted.panelCaption, "MPEG file: clip.mpeg");
    EXPECT_FALSE(isJpegSource(pngNamedM2v));
}

}  // namespace
}  // namespace velmora
