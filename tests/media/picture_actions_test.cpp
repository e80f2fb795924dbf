// SPDX-License-Identifier: GPL-3.0-or-later
#include "media/picture_actions.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>

#include "firmware/file_io.h"
#include "firmware/io_error.h"
#include "media/stream_extraction.h"
#include "tests/media/synthetic_pictures.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/temp_dir.h"

namespace velmora {
namespace {

using Bytes = std::vector<std::uint8_t>;
using testing::readFile;
using testing::ScriptedDialogs;
using testing::TempDir;

class RecordingPreview : public PreviewSink {
  public:
    std::vector<PreviewPicture> shown;
    void showPreview(const PreviewPicture& picture) override { shown.push_back(picture); }
};

// A 2 x 2 uncompressed TGA, bottom row first: blue-green-red (and a fourth
// byte for 32 bits) of pixels 1, 2 (bottom) and 3, 4 (top).
Bytes smallTga(int depth) {
    const std::array<std::uint8_t, 18> header = {
        0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 2, 0, static_cast<std::uint8_t>(depth), 0};
    const std::size_t pixelSize = depth == 32 ? 4 : 3;
    // Sized once and written into: appending to the header makes GCC 12 at -O3
    // warn of a copy past it (-Warray-bounds, a false alarm).
    Bytes b(header.size() + 4 * pixelSize);
    auto at = std::copy(header.begin(), header.end(), b.begin());
    for (std::uint8_t n = 1; n <= 4; ++n) {
        at[0] = static_cast<std::uint8_t>(n * 10);
        at[1] = static_cast<std::uint8_t>(n * 10 + 1);
        at[2] = static_cast<std::uint8_t>(n * 10 + 2);
        if (depth == 32) at[3] = 0xEE;
        at += static_cast<std::ptrdiff_t>(pixelSize);
    }
    return b;
}

// Session, folders and a stand-in decoder for one test.
class PictureActions : public ::testing::Test {
  protected:
    TempDir work;
    TempDir tools;
    TempDir user;
    Session session;
    ScriptedDialogs ui;
    RecordingPreview preview;
    testing::SyntheticPicture mpeg2 =
        testing::fragmentedMpeg2(testing::patternedStream(3001), 0x400, 1024, 32, 0x2000);
    testing::SyntheticPicture mpeg4 =
        testing::mpeg4Chunk(testing::patternedStream(777, 9), 0x400, true, 0x2000);

    void SetUp() override {
        session.TempDir = work.path();
        session.ToolDir = tools.path();
    }

    // The firmware holds one picture at index `index` of the table.
    void useFirmware(const testing::SyntheticPicture& p, bool swapped, int index = 0,
                     const std::string& name = "dump.bin") {
        session.FirmwarePath = user.write(name, testing::storedAs(p.image, swapped).bytes());
        session.FirmwareName = name;
        session.ByteSwapped = swapped;
        session.PictureTable[static_cast<std::size_t>(index)] = p.entry;
        session.PictureCount = index + 1;
        session.SelectedPicture = index;
    }

    // A decoder that keeps a copy of its input and writes `tga` as OUTPUT.tga.
    void installDecoder(const Bytes& tga) {
        const std::string picture = tools.write("picture.tga", tga);
        const std::string script =
            "#!/bin/sh\n[ \"$1\" = -b ] && [ \"$5\" = -o2 ] || exit 3\n"
            "cp \"$2\" '" +
            tools.file("input.m2v") + "'\n" + "cp '" + picture + "' \"$6.tga\"\n";
        const std::string path = tools.writeText("mpeg2decode", script);
        ::chmod(path.c_str(), 0755);
    }

    [[nodiscard]] Bytes decoderInput() const { return readFile(tools.file("input.m2v")); }
    [[nodiscard]] bool workFileLeft(const char* name) const { return fileExists(work.file(name)); }
};

TEST_F(PictureActions, SaveVideoProposesBaseAndNumberAndSavesTheStream) {
    struct Case {
        const char* firmwareName;
        int index;
        bool mpeg4;
        const char* filter;
        const char* proposed;
    };
    const Case cases[] = {
        {"dump.bin", 2, false, "MPEG2 Video (*.m2v)|*.m2v", "dump_3.m2v"},
        {"dump.v2.bin", 0, true, "MPEG4 Video (*.m4v)|*.m4v", "dump_1.m4v"},
        {"firmware", 0, false, "MPEG2 Video (*.m2v)|*.m2v", "_1.m2v"},
        {".rom", 15, true, "MPEG4 Video (*.m4v)|*.m4v", "_16.m4v"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.firmwareName);
        ScriptedDialogs person;
        const auto& p = c.mpeg4 ? mpeg4 : mpeg2;
        useFirmware(p, false, c.index, c.firmwareName);
        const std::string saved = user.file(std::string("saved") + c.proposed);
        person.saveChoices.push_back(saved);
        (void)testing::toldDone(Savevideo1Click(session, person), person);
        ASSERT_EQ(person.saveRequests.size(), 1u);
        EXPECT_EQ(person.saveRequests[0].first, c.filter);
        EXPECT_EQ(person.saveRequests[0].second, c.proposed);
        EXPECT_EQ(readFile(saved), p.expected);
        EXPECT_EQ(person.lines, std::vector<std::string>{"Original videostream #" +
                                                         std::to_string(c.index + 1) + " saved."});
    }
}

TEST_F(PictureActions, SaveVideoFromASwappedDumpSavesTheSameFile) {
    for (const auto* p : {&mpeg2, &mpeg4}) {
        for (bool swapped : {false, true}) {
            ScriptedDialogs person;
            useFirmware(*p, swapped);
            const std::string saved = user.file(swapped ? "s1" : "s0");
            person.saveChoices.push_back(saved);
            (void)testing::toldDone(Savevideo1Click(session, person), person);
            EXPECT_EQ(readFile(saved), p->expected) << swapped;
        }
    }
}

TEST_F(PictureActions, CancellingSaveVideoWritesAndLogsNothing) {
    useFirmware(mpeg2, false);
    (void)testing::toldDone(Savevideo1Click(session, ui), ui);
    EXPECT_EQ(ui.saveRequests.size(), 1u);
    EXPECT_TRUE(ui.lines.empty());
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(PictureActions, AMissingFirmwareIsAnIoErrorBeforeAnyDialog) {
    useFirmware(mpeg2, false);
    session.FirmwarePath = user.file("gone.bin");
    EXPECT_TRUE(Savevideo1Click(session, ui).is<IoFailure>());
    EXPECT_TRUE(Savepicture1Click(session, ui).is<IoFailure>());
    EXPECT_TRUE(View1Click(session, ui, preview).is<IoFailure>());
    EXPECT_TRUE(ui.saveRequests.empty());
    EXPECT_TRUE(ui.lines.empty());
}

TEST_F(PictureActions, APictureRunningPastTheFileIsAnIoErrorAndLeavesNoFile) {
    useFirmware(mpeg2, false);
    session.PictureTable[0].End = 0x3000;
    const std::string saved = user.file("partial.m2v");
    ui.saveChoices.push_back(saved);
    EXPECT_TRUE(Savevideo1Click(session, ui).is<IoFailure>());
    EXPECT_FALSE(fileExists(saved));
    EXPECT_TRUE(ui.lines.empty());
}

TEST_F(PictureActions, ASelectionOutsideTheTableIsRefused) {
    useFirmware(mpeg2, false);
    for (int selected : {-1, 1, 16}) {
        ScriptedDialogs person;
        session.SelectedPicture = selected;
        (void)testing::toldDone(Savevideo1Click(session, person), person);
        (void)testing::toldDone(View1Click(session, person, preview), person);
        (void)testing::toldDone(Savepicture1Click(session, person), person);
        ASSERT_EQ(person.boxes.size(), 3u);
        EXPECT_EQ(person.boxes[0].caption, "ERROR!");
        EXPECT_TRUE(person.saveRequests.empty());
    }
}

TEST_F(PictureActions, ViewDecodesShowsTopRowFirstAndRemovesTheWorkFiles) {
    for (int depth : {24, 32}) {
        SCOPED_TRACE(depth);
        RecordingPreview shown;
        installDecoder(smallTga(depth));
        useFirmware(mpeg2, true, 4);
        (void)testing::toldDone(View1Click(session, ui, shown), ui);
        EXPECT_EQ(decoderInput(), mpeg2.expected);
        ASSERT_EQ(shown.shown.size(), 1u);
        const auto& picture = shown.shown[0];
        EXPECT_EQ(picture.number, 5);
        EXPECT_EQ(picture.width, 2);
        EXPECT_EQ(picture.height, 2);
        EXPECT_EQ(picture.bgr, (Bytes{30, 31, 32, 40, 41, 42, 10, 11, 12, 20, 21, 22}));
        EXPECT_TRUE(ui.boxes.empty());
        EXPECT_FALSE(workFileLeft("$mpeg.m2v"));
        EXPECT_FALSE(workFileLeft("$tga.tga"));
    }
}

TEST_F(PictureActions, ViewWithoutADecoderShowsTheErrorAndLeavesNoWorkFiles) {
    useFirmware(mpeg2, false);
    // A picture left by an earlier run must not be shown for this one.
    (void)work.write("$tga.tga", smallTga(24));
    (void)testing::toldDone(View1Click(session, ui, preview), ui);
    EXPECT_TRUE(preview.shown.empty());
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].kind, "error");
    EXPECT_EQ(ui.boxes[0].caption, "Error!");
    EXPECT_EQ(ui.boxes[0].text, "Error with loading TGA image!");
    EXPECT_FALSE(workFileLeft("$mpeg.m2v"));
    EXPECT_FALSE(workFileLeft("$tga.tga"));
}

TEST_F(PictureActions, ViewOfAnUnreadableTgaShowsTheError) {
    Bytes truncated = smallTga(24);
    truncated.resize(truncated.size() - 1);
    Bytes badType = smallTga(24);
    badType[2] = 7;
    for (const Bytes& tga : {truncated, badType}) {
        ScriptedDialogs person;
        installDecoder(tga);
        useFirmware(mpeg2, false);
        (void)testing::toldDone(View1Click(session, person, preview), person);
        EXPECT_TRUE(preview.shown.empty());
        ASSERT_EQ(person.boxes.size(), 1u);
        EXPECT_EQ(person.boxes[0].text, "Error with loading TGA image!");
        EXPECT_FALSE(workFileLeft("$mpeg.m2v"));
        EXPECT_FALSE(workFileLeft("$tga.tga"));
    }
}

TEST_F(PictureActions, PlayHandsAnMpeg4StreamToTheDesktop) {
    installDecoder(smallTga(24));
    useFirmware(mpeg4, true);
    (void)testing::toldDone(Play1Click(session, ui), ui);
    EXPECT_TRUE(preview.shown.empty());
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_EQ(ui.openedWithDesktop, std::vector<std::string>{work.file("$mpeg.m4v")});
    EXPECT_EQ(readFile(work.file("$mpeg.m4v")), mpeg4.expected);
    EXPECT_FALSE(fileExists(tools.file("input.m2v")));  // no decoder for MPEG-4
}

TEST_F(PictureActions, ViewOfAnUndecodableMpeg4PictureSaysSoAndLeavesNoFile) {
    installDecoder(smallTga(24));
    useFirmware(mpeg4, false);
    tellPerson(View1Click(session, ui, preview), ui);
    EXPECT_TRUE(preview.shown.empty());
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, "Error with decoding the MPEG4 picture!");
    EXPECT_TRUE(ui.openedWithDesktop.empty()) << "the player is a menu entry of its own";
    EXPECT_FALSE(fileExists(work.file("$mpeg.m4v")));
}

// Checks, when the save dialog opens, that the stream is already extracted.
class CheckingDialogs : public ScriptedDialogs {
  public:
    std::string expectedWorkFile;
    Bytes workFileAtDialog;
    std::optional<std::string> chooseSaveFile(const std::string& filter,
                                              const std::string& proposed) override {
        workFileAtDialog = readFile(expectedWorkFile);
        return ScriptedDialogs::chooseSaveFile(filter, proposed);
    }
};

TEST_F(PictureActions, SavePictureExtractsFirstProposesBaseAndNumberAndDecodes) {
    installDecoder(smallTga(24));
    useFirmware(mpeg2, false, 2);
    CheckingDialogs person;
    person.expectedWorkFile = work.file("$mpeg.m2v");
    person.saveChoices.push_back(user.file("dump_3"));
    (void)testing::toldDone(Savepicture1Click(session, person), person);
    EXPECT_EQ(person.workFileAtDialog, mpeg2.expected);
    ASSERT_EQ(person.saveRequests.size(), 1u);
    EXPECT_EQ(person.saveRequests[0].first, "Targa Graph Image file (.tga)|*.tga");
    EXPECT_EQ(person.saveRequests[0].second, "dump_3");
    EXPECT_EQ(readFile(user.file("dump_3.tga")), smallTga(24));
    EXPECT_EQ(decoderInput(), mpeg2.expected);
    EXPECT_EQ(person.lines, std::vector<std::string>{"Original TGA picture #3 saved."});
    EXPECT_FALSE(workFileLeft("$mpeg.m2v"));
    EXPECT_FALSE(workFileLeft("$tga.tga"));
}

TEST_F(PictureActions, SavePictureAppendsTheExtensionOnlyWhenTheNameLacksIt) {
    installDecoder(smallTga(24));
    useFirmware(mpeg2, true);
    ui.saveChoices.push_back(user.file("x.tga"));
    (void)testing::toldDone(Savepicture1Click(session, ui), ui);
    EXPECT_TRUE(fileExists(user.file("x.tga")));
    EXPECT_FALSE(fileExists(user.file("x.tga.tga")));
    ui.saveChoices.push_back(user.file("y"));
    (void)testing::toldDone(Savepicture1Click(session, ui), ui);
    EXPECT_TRUE(fileExists(user.file("y.tga")));
}

TEST_F(PictureActions, CancellingSavePictureDecodesNothingAndRemovesTheStream) {
    installDecoder(smallTga(24));
    useFirmware(mpeg2, false);
    (void)testing::toldDone(Savepicture1Click(session, ui), ui);
    EXPECT_EQ(ui.saveRequests.size(), 1u);
    EXPECT_TRUE(ui.lines.empty());
    EXPECT_FALSE(fileExists(tools.file("input.m2v")));
    EXPECT_FALSE(workFileLeft("$mpeg.m2v"));
}

TEST_F(PictureActions, SavePictureWithoutADecoderSaysSoAndKeepsAnOlderFile) {
    useFirmware(mpeg2, false);
    const std::string older = user.write("pic.tga", {1, 2, 3});
    ui.saveChoices.push_back(user.file("pic"));
    ui.answers = {true};  // yes, replace pic.tga
    (void)testing::toldDone(Savepicture1Click(session, ui), ui);
    EXPECT_TRUE(ui.lines.empty());
    ASSERT_EQ(ui.boxes.size(), 2u);
    EXPECT_EQ(ui.boxes[1].caption, "Error!");
    EXPECT_EQ(readFile(older), (Bytes{1, 2, 3}));
    EXPECT_FALSE(workFileLeft("$mpeg.m2v"));
    EXPECT_FALSE(workFileLeft("$tga.tga"));
}

TEST_F(PictureActions, SaveTgaAsksBeforeReplacingTheFileItWrites) {
    installDecoder(smallTga(24));
    useFirmware(mpeg2, false);
    // "pic" itself is free, but the decoder writes pic.tga, which exists.
    const std::string older = user.write("pic.tga", {1, 2, 3});
    ui.saveChoices.push_back(user.file("pic"));
    ui.answers = {false};
    (void)testing::toldDone(Savepicture1Click(session, ui), ui);
    ASSERT_EQ(ui.questions, (std::vector<Question>{Question::Overwrite}));
    EXPECT_EQ(ui.boxes[0].caption, "Confirm Save As");
    EXPECT_EQ(ui.boxes[0].text, "pic.tga already exists.\rDo you want to replace it?");
    EXPECT_EQ(readFile(older), (Bytes{1, 2, 3})) << "No keeps it";
    EXPECT_TRUE(ui.lines.empty());

    ui.saveChoices.push_back(user.file("pic"));
    ui.closeOn = Question::Overwrite;
    (void)testing::toldDone(Savepicture1Click(session, ui), ui);
    EXPECT_EQ(readFile(older), (Bytes{1, 2, 3})) << "closing the question keeps it";
    EXPECT_EQ(ui.lines, std::vector<std::string>{"Cancelled."});

    ui.closeOn.reset();
    ui.saveChoices.push_back(user.file("pic"));
    ui.answers = {true};
    (void)testing::toldDone(Savepicture1Click(session, ui), ui);
    EXPECT_NE(readFile(older), (Bytes{1, 2, 3})) << "Yes replaces it";
    EXPECT_TRUE(ui.hasLine("Original TGA picture #1 saved."));
}

TEST_F(PictureActions, SavePictureRefusesAnMpeg4Picture) {
    installDecoder(smallTga(24));
    useFirmware(mpeg4, false);
    (void)testing::toldDone(Savepicture1Click(session, ui), ui);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].caption, "ERROR!");
    EXPECT_TRUE(ui.saveRequests.empty());
    EXPECT_FALSE(workFileLeft("$mpeg.m2v"));
}

}  // namespace
}  // namespace velmora
