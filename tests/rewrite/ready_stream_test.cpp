// SPDX-License-Identifier: GPL-3.0-or-later
// Ready-made streams as ordinary tools write them: ffmpeg with its default
// options, and the question asked when a stream does not suit its picture.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "catalogue/analysis.h"
#include "catalogue/stream_parameters.h"
#include "firmware/byte_image.h"
#include "rewrite/replace_picture.h"
#include "rewrite/replacement_verification.h"
#include "tests/fixtures/firmware_builder.h"
#include "tests/fixtures/fixture_streams.h"
#include "tests/fixtures/standard_fixtures.h"
#include "tests/rewrite/stored_stream.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/session_replacement.h"
#include "tests/support/temp_dir.h"

namespace velmora {
namespace {

using fixtures::Bytes;
using testing::readFile;
using testing::ScriptedDialogs;
using testing::TempDir;

// One picture encoded by ffmpeg from its test pattern, with its default
// options and `extra`; mpeg4 streams in a raw .m4v.
Bytes ffmpegStill(const std::string& codec, const std::string& size, const std::string& extra = "",
                  const std::string& pattern = "testsrc", const std::string& rate = "25") {
    static TempDir dir;
    static int made = 0;
    std::string name = std::to_string(++made);
    name += codec == "mpeg4" ? ".m4v" : ".m2v";
    const std::string out = dir.file(name);
    const std::string command = "/usr/bin/ffmpeg -nostdin -v error -y -f lavfi -i " + pattern +
                                "=size=" + size + ":rate=" + rate + " -frames:v 1 " + extra +
                                " -c:v " + codec + (codec == "mpeg4" ? " -f m4v " : " ") + out;
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    return readFile(out);
}

// A firmware whose two pictures ffmpeg made: MPEG-2 (with the end code the
// firmware keeps) and MPEG-4 (as the firmware keeps it), both 720x576 at 25
// fps, with records.
fixtures::Fixture ffmpegFirmware() {
    fixtures::FirmwareBuilder b(0x100000);
    b.putDataMarker(fixtures::kStandardMarkerRow);
    b.putAnchor(fixtures::kStandardAnchorCode, fixtures::kStandardAnchorSegment,
                fixtures::kStandardAnchorLength);
    b.fillErased(0x80000, 0x100000);
    fixtures::Mpeg2Layout m2;
    m2.stream = ffmpegStill("mpeg2video", "720x576", "-q:v 2");  // room for any default stream
    m2.stream.insert(m2.stream.end(), {0x00, 0x00, 0x01, 0xB7});
    m2.at = 0x10000;
    m2.gapLength = 48;
    m2.blockLength = 2000;
    b.placeMpeg2(m2);
    fixtures::Mpeg4Layout m4;
    m4.stream = fixtures::mpeg4Still(720, 576);
    m4.at = 0x50000;
    m4.pointerAt = 0x5F000;
    b.placeMpeg4(m4);
    return b.fixture();
}

struct Firmware {
    TempDir dir;
    Session session;
    std::string path;

    explicit Firmware(const Bytes& image) {
        session.TempDir = dir.path();
        path = dir.write("dump.bin", image);
        ScriptedDialogs ui;
        EXPECT_TRUE(testing::foundPictures(analyzeFirmware(session, ui, path), session, ui));
    }

    Outcome replace(int picture, const Bytes& file, ScriptedDialogs& ui) {
        session.SelectedPicture = picture;
        session.SourcePath = dir.write(session.selected()->isMpeg2() ? "new.m2v" : "new.m4v", file);
        session.SourceOpened = true;
        return testing::replaceInSession(session, ui);
    }
};

TEST(FfmpegStreams, DefaultStreamsOfThePicturesSizeAreWrittenWithoutANewQuestion) {
    const fixtures::Fixture f = ffmpegFirmware();
    // ffmpeg writes no sequence end code after an MPEG-2 picture.
    const Bytes mpeg2 = ffmpegStill("mpeg2video", "720x576");
    ASSERT_FALSE(std::equal(mpeg2.end() - 4, mpeg2.end(), Bytes{0x00, 0x00, 0x01, 0xB7}.begin()));
    const Bytes mpeg4 = ffmpegStill("mpeg4", "720x576");
    for (const bool move : {false, true}) {
        for (int picture = 0; picture < 2; ++picture) {
            Firmware fw(f.image);
            ScriptedDialogs ui;
            ui.anyFormat.reset();  // the question would be asked like any other
            ui.answers = {move};
            const Outcome done = fw.replace(picture, picture == 0 ? mpeg2 : mpeg4, ui);
            const std::string what = std::string(move ? "moved" : "in place") + " picture " +
                                     std::to_string(picture + 1);
            EXPECT_TRUE(testing::toldDone(done, ui))
                << what << "\n"
                << ui.logText() << (ui.boxes.empty() ? "" : ui.boxes.back().text);
            EXPECT_EQ(ui.questions, std::vector<Question>{Question::MovePicture}) << what;
            if (picture == 1) {
                EXPECT_TRUE(std::any_of(ui.lines.begin(), ui.lines.end(), [](const auto& l) {
                    return l.find("user data in front of the first picture is left out") !=
                           std::string::npos;
                })) << ui.logText();
            }
        }
    }
}

TEST(StreamFormat, EveryParameterThatDiffersIsNamed) {
    const StreamParameters base = readStreamParameters(ffmpegStill("mpeg2video", "720x576"), 2);
    EXPECT_EQ(base.kind, 2);
    EXPECT_EQ(base.width, 720);
    EXPECT_EQ(base.height, 576);
    EXPECT_EQ(base.pictures, 1);
    EXPECT_EQ(base.intraPictures, 1);
    struct Case {
        const char* extra;
        const char* size;
        const char* rate;
        const char* named;
    };
    const Case mpeg2Cases[] = {
        {"", "352x288", "25",
         "The new stream is 352x288 at 25.00 fps; picture #1 is 720x576 at "
         "25.00 fps."},
        {"", "720x576", "30000/1001", "at 29.97 fps; picture #1 is 720x576 at 25.00 fps."},
        {"-aspect 16:9", "720x576", "25", "Aspect ratio: the new stream has 16:9"},
        {"-pix_fmt yuv422p", "720x576", "25", "Chroma format: the new stream has 4:2:2"},
        {"-profile:v 1", "720x576", "25", "Profile and level: the new stream has High profile"},
        {"-flags +ilme+ildct", "720x576", "25", "Scan: the new stream is interlaced"},
        {"-frames:v 2", "720x576", "25", "The new stream holds 2 pictures, 1 of them intra"},
    };
    for (const Case& c : mpeg2Cases) {
        const auto lines = parameterDifferences(
            readStreamParameters(ffmpegStill("mpeg2video", c.size, c.extra, "testsrc", c.rate), 2),
            base, 1);
        ASSERT_FALSE(lines.empty()) << c.extra << c.size << c.rate;
        EXPECT_NE(lines[0].find(c.named), std::string::npos) << lines[0];
    }
    EXPECT_TRUE(
        parameterDifferences(
            readStreamParameters(ffmpegStill("mpeg2video", "720x576", "", "smptebars"), 2), base, 1)
            .empty());

    const StreamParameters base4 = readStreamParameters(ffmpegStill("mpeg4", "720x576"), 4);
    EXPECT_EQ(base4.width, 720);
    EXPECT_FALSE(base4.frameRate) << "ffmpeg sets no fixed VOP rate";
    const Case mpeg4Cases[] = {
        {"", "720x480", "30000/1001", "The new stream is 720x480; picture #1 is 720x576."},
        {"-aspect 16:9", "720x576", "25", "Aspect ratio: the new stream has"},
        {"-flags +ildct", "720x576", "25", "Scan: the new stream is interlaced"},
        {"-frames:v 2", "720x576", "25", "The new stream holds 2 pictures, 1 of them intra"},
    };
    for (const Case& c : mpeg4Cases) {
        const auto lines = parameterDifferences(
            readStreamParameters(ffmpegStill("mpeg4", c.size, c.extra, "testsrc", c.rate), 4),
            base4, 1);
        ASSERT_FALSE(lines.empty()) << c.extra << c.size << c.rate;
        EXPECT_NE(lines[0].find(c.named), std::string::npos) << lines[0];
    }
}

TEST(StreamFormat, ADifferentStreamIsWrittenOnlyOnYes) {
    const fixtures::Fixture f = ffmpegFirmware();
    const Bytes small = ffmpegStill("mpeg2video", "352x288");
    for (const bool yes : {false, true}) {
        Firmware fw(f.image);
        ScriptedDialogs ui;
        ui.anyFormat.reset();
        ui.answers = {false, yes};  // not moved; then the format question
        const Outcome outcome = fw.replace(0, small, ui);
        ASSERT_EQ(ui.questions.size(), 2u) << ui.logText();
        EXPECT_EQ(ui.questions[1], Question::DifferentFormat);
        EXPECT_EQ(ui.boxes[1].caption, "Different picture format");
        EXPECT_EQ(ui.boxes[1].text.substr(0, ui.boxes[1].text.find('\r')),
                  "The new stream is 352x288 at 25.00 fps; picture #1 is 720x576 at 25.00 fps.");
        EXPECT_NE(ui.boxes[1].text.find("nothing or garbage"), std::string::npos);
        EXPECT_EQ(outcome.isDone(), yes) << ui.logText();
        if (!yes) {
            EXPECT_EQ(readFile(fw.path), f.image);
        }
    }
}

TEST(ReadyMpeg4, UserDataThatPushesThePictureOutOfReachIsLeftOut) {
    const fixtures::Fixture f = ffmpegFirmware();
    const Bytes encoded = ffmpegStill("mpeg4", "720x576");
    const Bytes vop{0x00, 0x00, 0x01, 0xB6};
    const auto at = std::search(encoded.begin(), encoded.end(), vop.begin(), vop.end());
    // 200 bytes of an encoder's user data in front of the picture.
    Bytes userData{0x00, 0x00, 0x01, 0xB2};
    userData.resize(204, 'x');
    Bytes longer(encoded.begin(), at);
    longer.insert(longer.end(), userData.begin(), userData.end());
    longer.insert(longer.end(), at, encoded.end());
    {
        Firmware fw(f.image);
        ScriptedDialogs ui;
        EXPECT_TRUE(testing::toldDone(fw.replace(1, longer, ui), ui)) << ui.logText();
        EXPECT_TRUE(
            ui.hasLine("The encoder's user data in front of the first picture is left "
                       "out (" +
                       std::to_string(userData.size() + 17) + " bytes)."))  // and ffmpeg's own 17
            << ui.logText();
    }
    {
        // Headers that are no user data cannot be left out: refused, saying why.
        Bytes headers(encoded.begin(), at);
        for (int i = 0; i < 20; ++i)
            headers.insert(headers.end(), {0x00, 0x00, 0x01, 0xB3, 0x00, 0x10, 0x07, 0x00});
        headers.insert(headers.end(), at, encoded.end());
        Firmware fw(f.image);
        ScriptedDialogs ui;
        const Outcome refused = fw.replace(1, headers, ui);
        ASSERT_TRUE(refused.is<Refused>());
        EXPECT_NE(refused.get<Refused>().text.find("would stop at this picture"), std::string::npos)
            << refused.get<Refused>().text;
        EXPECT_EQ(readFile(fw.path), f.image);
    }
}

// An MPEG-4 chunk at an odd offset, without records, with room to spare.
TEST(ReadyMpeg4, AnEvenStreamInAChunkAtAnOddOffsetIsWritten) {
    fixtures::FirmwareBuilder b(0x40000);
    Bytes image = b.image();
    Bytes old = fixtures::mpeg4Still(352, 288);
    old.resize(old.size() + 4000, 0x00);
    const std::uint32_t at = 0x1001;
    const auto length = static_cast<std::uint32_t>(old.size());
    const Bytes head{'0',
                     '0',
                     'd',
                     'c',
                     static_cast<std::uint8_t>(length),
                     static_cast<std::uint8_t>(length >> 8),
                     0,
                     0};
    std::copy(head.begin(), head.end(), image.begin() + at);
    std::copy(old.begin(), old.end(), image.begin() + at + 8);
    Bytes stream = fixtures::mpeg4Still(352, 288);
    if (stream.size() % 2 == 1) stream.push_back(0x00);
    const Bytes header{0x00, 0x00, 0x01, 0xB0, 0xF5, 0x00, 0x00, 0x01, 0xB5, 0x09};
    Bytes file(header.size() + stream.size());
    std::copy(header.begin(), header.end(), file.begin());
    std::copy(stream.begin(), stream.end(),
              file.begin() + static_cast<std::ptrdiff_t>(header.size()));

    Firmware fw(image);
    ASSERT_EQ(fw.session.PictureTable[0].Start, at);
    ScriptedDialogs ui;
    EXPECT_TRUE(testing::toldDone(fw.replace(0, file, ui), ui))
        << ui.logText() << (ui.boxes.empty() ? "" : ui.boxes.back().text);
}

// A sound result that the program's own list will not show is written, with
// a line saying so: here the moved picture is the seventeenth.
TEST(UnlistedPicture, AMovedSeventeenthPictureIsWrittenWithANote) {
    const fixtures::Fixture f = fixtures::benchmarkFirmware(0x400000, 16);
    Firmware fw(f.image);
    ASSERT_EQ(fw.session.PictureCount, 16);
    const PictureEntry first = fw.session.PictureTable[0];
    ASSERT_NE(first.PointerAddr, 0u);
    const Bytes own = testing::storedStream(f.image, first);
    Bytes file = own;
    if (!first.isMpeg2())
        file.insert(file.begin(), {0x00, 0x00, 0x01, 0xB0, 0xF5, 0x00, 0x00, 0x01, 0xB5, 0x09});
    ScriptedDialogs ui;
    ui.answers = {true};  // moved into the free area, behind the sixteen
    EXPECT_TRUE(testing::toldDone(fw.replace(0, file, ui), ui))
        << ui.logText() << (ui.boxes.empty() ? "" : ui.boxes.back().text);
    EXPECT_TRUE(std::any_of(ui.lines.begin(), ui.lines.end(), [](const std::string& l) {
        return l.find("the program's list will not show it") != std::string::npos;
    })) << ui.logText();
}

// The room check judges the bytes that change, not where the writer goes.
TEST(ReplacementVerification, ASpillThatWritesWhatIsThereAlreadyIsNoSpill) {
    Bytes old(0x100, 0xAA);
    std::copy_n("00dc", 4, old.begin() + 0x10);
    const ByteImage before("before", old);
    ReplacementPlan plan;
    plan.entry.Kind = kKindMpeg4;
    plan.entry.Start = 0x10;
    plan.entry.End = 0x40;
    plan.entry.RoomEnd = 0x40;
    plan.streamLength = 0x40 - 0x18 + 1;  // one byte past the room, into used flash
    plan.imageSize = before.size();
    Bytes stream(static_cast<std::size_t>(plan.streamLength), 0x11);
    stream.back() = 0xAA;  // what that byte holds already
    ByteImage changed = before;
    changed.putBytes(0x10,
                     Bytes{'0', '0', 'd', 'c', static_cast<std::uint8_t>(stream.size()), 0, 0, 0});
    changed.putBytes(0x18, stream);
    const VerificationInput same{before, changed, changed.bytes(), plan, stream, {}, 0, false, 0};
    EXPECT_FALSE(verifyLayout(same)) << verifyLayout(same)->text;

    // A byte that does change there is a spill into used flash.
    stream.back() = 0x11;
    changed.putBytes(0x18, stream);
    const VerificationInput spill{before, changed, changed.bytes(), plan, stream, {}, 0, false, 0};
    const auto refused = verifyLayout(spill);
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->check, "room");
    EXPECT_NE(verificationText(*refused).find("make it smaller"), std::string::npos);
}

}  // namespace
}  // namespace velmora
