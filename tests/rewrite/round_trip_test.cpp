// SPDX-License-Identifier: GPL-3.0-or-later
// Replacements on the standard synthetic firmware, checked by analysing the
// result again.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "catalogue/analysis.h"
#include "rewrite/replace_picture.h"
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

enum class Form { Bin, Swapped, Img };

const char* nameOf(Form form) {
    switch (form) {
        case Form::Bin:
            return "dump.bin";
        case Form::Swapped:
            return "swapped.bin";
        case Form::Img:
            return "update.img";
    }
    return "";
}

Bytes storedForm(const Bytes& image, Form form) {
    switch (form) {
        case Form::Bin:
            return image;
        case Form::Swapped:
            return fixtures::byteSwapped(fixtures::withImageChecksum(image));
        case Form::Img:
            return fixtures::withImageChecksum(image);
    }
    return image;
}

const fixtures::Fixture& standard() {
    static const fixtures::Fixture fixture = fixtures::standardFirmware();
    return fixture;
}

// A ready-made stream file: an MPEG-4 stream gets the ten leading bytes the
// encoder writes, which the replacement skips.
Bytes sourceFileOf(const Bytes& stream, const PictureEntry& e) {
    if (e.isMpeg2()) return stream;
    Bytes file{0x00, 0x00, 0x01, 0xB0, 0xF5, 0x00, 0x00, 0x01, 0xB5, 0x09};
    file.insert(file.end(), stream.begin(), stream.end());
    return file;
}

struct FirmwareRun {
    TempDir dir;
    Session session;
    std::string firmware;
    Bytes stored;

    explicit FirmwareRun(Form form) {
        session.TempDir = dir.path();
        stored = storedForm(standard().image, form);
        firmware = dir.write(nameOf(form), stored);
        ScriptedDialogs ui;
        EXPECT_TRUE(testing::foundPictures(analyzeFirmware(session, ui, firmware), session, ui));
        EXPECT_EQ(session.PictureCount, 4);
    }

    bool replace(int picture, const Bytes& sourceFile, bool move) {
        session.SelectedPicture = picture;
        const PictureEntry& e = *session.selected();
        session.SourcePath = dir.write(e.isMpeg2() ? "new.m2v" : "new.m4v", sourceFile);
        session.SourceOpened = true;
        ScriptedDialogs ui;
        ui.answers = {move};
        const bool done = testing::toldDone(testing::replaceInSession(session, ui), ui);
        EXPECT_TRUE(done) << ui.logText() << (ui.boxes.empty() ? "" : ui.boxes.back().text);
        return done;
    }

    [[nodiscard]] Bytes normalisedNow() const {
        return session.ByteSwapped ? readFile(session.workFile("$tmp.bin")) : readFile(firmware);
    }
};

std::uint32_t u32At(const Bytes& image, std::uint32_t at) {
    return image[at] | image[at + 1] << 8 | image[at + 2] << 16 |
           static_cast<std::uint32_t>(image[at + 3]) << 24;
}

// The flash address a FlashPointer stands for, in the natural or the anchor form.
std::uint32_t addressOf(std::uint32_t pointer, const Session& s) {
    const std::uint32_t segment = pointer >> 16, offset = pointer & 0xFFFF;
    if (s.anchors.AnchorSegment != 0 && segment == s.anchors.AnchorSegment)
        return s.anchors.AnchorPage * 256u + offset;
    return (segment - s.anchors.SegmentBase) * 256 + offset;
}

// The records at the old picture's PointerAddr lead to the picture found.
void expectRecordsPointAt(const Bytes& image, const Session& s, const PictureEntry& old,
                          const PictureEntry& found, const std::string& what) {
    if (old.isMpeg2()) {
        const std::uint32_t header = found.Start - static_cast<std::uint32_t>(found.GapLength);
        const std::uint32_t count = image[old.PointerAddr] | image[old.PointerAddr + 1] << 8;
        EXPECT_GE(count * 2048, found.End - header) << what;
        const std::uint32_t table = addressOf(u32At(image, old.PointerAddr + 2), s);
        for (std::uint32_t k = 0; k < count; ++k)
            EXPECT_EQ(addressOf(u32At(image, table + 4 * k), s), header + k * 2048) << what;
        return;
    }
    EXPECT_EQ(addressOf(u32At(image, old.PointerAddr), s), found.Start) << what;
    const std::uint32_t length =
        static_cast<std::uint32_t>(testing::storedStream(image, found).size());
    const std::uint32_t n = (8 + length + 1) & ~1u;
    EXPECT_EQ(image[old.RoomEnd], n / 2048 + 1) << what;
    EXPECT_EQ(image[old.RoomEnd + 3] | image[old.RoomEnd + 4] << 8, n % 2048) << what;
}

TEST(RoundTrip, ReplacingAPictureWithItsOwnStreamInPlaceChangesNoByte) {
    for (const Form form : {Form::Bin, Form::Swapped, Form::Img}) {
        for (int i = 0; i < 4; ++i) {
            FirmwareRun run(form);
            const PictureEntry e = run.session.PictureTable[static_cast<std::size_t>(i)];
            const Bytes own = testing::storedStream(standard().image, e);
            ASSERT_TRUE(run.replace(i, sourceFileOf(own, e), false));
            EXPECT_EQ(readFile(run.firmware), run.stored) << nameOf(form) << " picture " << i + 1;
        }
    }
}

TEST(RoundTrip, ANewStreamIsFoundAgainWhereItWasWrittenWithItsRecordsPointingAtIt) {
    const Bytes newMpeg2 = fixtures::mpeg2Still(352, 288, false, 2000);
    const Bytes newMpeg4 = fixtures::mpeg4Still(352, 288);
    struct Case {
        Form form;
        bool move;
    };
    for (const Case c : {Case{Form::Bin, false}, Case{Form::Bin, true}, Case{Form::Swapped, true},
                         Case{Form::Img, false}}) {
        for (int i = 0; i < 4; ++i) {
            FirmwareRun run(c.form);
            const PictureEntry old = run.session.PictureTable[static_cast<std::size_t>(i)];
            const std::uint32_t freeBefore = run.session.FreeSpaceAddr;
            const Bytes& stream = old.isMpeg2() ? newMpeg2 : newMpeg4;
            ASSERT_TRUE(run.replace(i, sourceFileOf(stream, old), c.move));

            const std::uint32_t expectedStart =
                !c.move
                    ? old.Start
                    : freeBefore + static_cast<std::uint32_t>(old.isMpeg2() ? old.GapLength : 0);
            Session again;
            again.TempDir = run.dir.path();
            ScriptedDialogs ui;
            ASSERT_TRUE(
                testing::foundPictures(analyzeFirmware(again, ui, run.firmware), again, ui));
            const PictureEntry* found = nullptr;
            for (int k = 0; k < again.PictureCount; ++k)
                if (again.PictureTable[static_cast<std::size_t>(k)].Start == expectedStart)
                    found = &again.PictureTable[static_cast<std::size_t>(k)];
            const std::string what = std::string(nameOf(c.form)) +
                                     (c.move ? " moved" : " in place") + " picture " +
                                     std::to_string(i + 1);
            ASSERT_NE(found, nullptr) << what << "\n" << ui.logText();
            EXPECT_EQ(found->Kind, old.Kind) << what;
            EXPECT_EQ(found->Width, 352) << what;
            EXPECT_EQ(found->Height, 288) << what;
            EXPECT_EQ(testing::storedStream(run.normalisedNow(), *found), stream) << what;
            expectRecordsPointAt(run.normalisedNow(), run.session, old, *found, what);
            // A re-analysis finds the records only where they lie behind the
            // picture and still count its sectors: a moved picture lies behind
            // its own records, and an MPEG-2 picture in place keeps its old count.
            if (!c.move && !old.isMpeg2()) {
                EXPECT_EQ(found->PointerAddr, old.PointerAddr) << what;
            }
            if (c.form == Form::Img) {
                const Bytes now = readFile(run.firmware);
                EXPECT_EQ(now, fixtures::withImageChecksum(now)) << what;
            }
        }
    }
}

}  // namespace
}  // namespace velmora
