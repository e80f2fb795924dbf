// SPDX-License-Identifier: GPL-3.0-or-later
// The records of an MPEG-2 picture after Velmora's own replacement: found
// again by the next analysis, and in place obeyed as the player reads them.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "catalogue/analysis.h"
#include "rewrite/replace_picture.h"
#include "tests/fixtures/firmware_builder.h"
#include "tests/fixtures/fixture_streams.h"
#include "tests/fixtures/standard_fixtures.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/session_replacement.h"
#include "tests/support/temp_dir.h"

namespace velmora {
namespace {

using fixtures::Bytes;
using testing::readFile;
using testing::ScriptedDialogs;
using testing::TempDir;

struct FirmwareRun {
    TempDir dir;
    Session session;
    std::string firmware;

    explicit FirmwareRun(const Bytes& image) {
        session.TempDir = dir.path();
        firmware = dir.write("dump.bin", image);
        ScriptedDialogs ui;
        EXPECT_TRUE(testing::foundPictures(analyzeFirmware(session, ui, firmware), session, ui));
    }

    Outcome replace(int picture, const Bytes& stream, std::deque<bool> answers,
                    ScriptedDialogs& ui) {
        session.SelectedPicture = picture;
        session.SourcePath = dir.write("new.m2v", stream);
        session.SourceOpened = true;
        ui.answers = std::move(answers);
        return testing::replaceInSession(session, ui);
    }

    [[nodiscard]] Session analysedAgain() const {
        Session again;
        again.TempDir = dir.path();
        ScriptedDialogs ui;
        EXPECT_TRUE(testing::foundPictures(analyzeFirmware(again, ui, firmware), again, ui));
        return again;
    }
};

const PictureEntry* pictureAt(const Session& s, std::uint32_t start) {
    for (int k = 0; k < s.PictureCount; ++k)
        if (s.PictureTable[static_cast<std::size_t>(k)].Start == start)
            return &s.PictureTable[static_cast<std::size_t>(k)];
    return nullptr;
}

TEST(RecordMark, AnMpeg2PictureReplacedInPlaceOrMovedKeepsItsRecord) {
    const Bytes newStream = fixtures::mpeg2Still(352, 288, false, 2000);
    for (const bool move : {false, true}) {
        for (int i = 0; i < 2; ++i) {  // the standard firmware's two MPEG-2 pictures
            FirmwareRun run(fixtures::standardFirmware().image);
            const PictureEntry old = run.session.PictureTable[static_cast<std::size_t>(i)];
            ASSERT_TRUE(old.isMpeg2());
            ASSERT_NE(old.PointerAddr, 0u);
            const std::uint32_t freeBefore = run.session.FreeSpaceAddr;
            ScriptedDialogs ui;
            ASSERT_TRUE(testing::toldDone(run.replace(i, newStream, {move}, ui), ui))
                << ui.logText();
            const std::uint32_t start =
                move ? freeBefore + static_cast<std::uint32_t>(old.GapLength) : old.Start;
            const std::string what =
                std::string(move ? "moved" : "in place") + " picture " + std::to_string(i + 1);

            const Session again = run.analysedAgain();
            const PictureEntry* found = pictureAt(again, start);
            ASSERT_NE(found, nullptr) << what;
            EXPECT_EQ(found->PointerAddr, old.PointerAddr) << what;
            if (move) {
                // The old copy stays, but nothing leads the player to it.
                const PictureEntry* copy = pictureAt(again, old.Start);
                ASSERT_NE(copy, nullptr) << what;
                EXPECT_EQ(copy->PointerAddr, 0u) << what;
            }
        }
    }
}

// An MPEG-2 picture whose filler runs two sectors past the last sector its
// record counts.
fixtures::Fixture firmwareWithLongFiller() {
    fixtures::FirmwareBuilder b(0x80000);
    b.putDataMarker(fixtures::kStandardMarkerRow);
    b.putAnchor(fixtures::kStandardAnchorCode, fixtures::kStandardAnchorSegment,
                fixtures::kStandardAnchorLength);
    b.fillErased(0x60000, 0x80000);
    fixtures::Mpeg2Layout l;
    l.stream = fixtures::mpeg2Still(720, 576, false);
    l.at = 0x10000;
    l.gapLength = 48;
    l.blockLength = 2000;
    const std::uint32_t span = static_cast<std::uint32_t>(l.stream.size()) / 2000 * 2048 + 2048;
    l.roomEnd = l.at + (span + 4 * 2048) / 2048 * 2048;
    b.placeMpeg2(l);
    return b.fixture();
}

TEST(RecordMark, InPlaceTheRoomEndsWithTheLastSectorTheRecordCounts) {
    const fixtures::Fixture f = firmwareWithLongFiller();
    const PictureEntry& e = f.entries[0];
    const std::int64_t header = std::int64_t{e.Start} - e.GapLength;
    const int sectors = static_cast<int>((e.End - e.Start) / 2048 + 1);
    const std::int64_t sectorsEnd = header + sectors * 2048;
    ASSERT_GT(std::int64_t{e.RoomEnd}, sectorsEnd + 2048);
    // The stream bytes those sectors hold, less the gap headers inside them.
    const std::int64_t period = e.BlockLength + e.GapLength;
    const std::int64_t counted =
        (sectorsEnd - e.Start) / period * e.BlockLength +
        std::min<std::int64_t>((sectorsEnd - e.Start) % period, e.BlockLength);
    ASSERT_LT(counted, std::int64_t{e.DataSize} + e.Spare);

    // A stream that would reach past the counted sectors, but not past the
    // old room: its tail would be cut short for the player.
    Bytes longer = fixtures::mpeg2Still(720, 576, false);
    const Bytes endCode{0x00, 0x00, 0x01, 0xB7};
    longer.erase(longer.end() - 4, longer.end());
    longer.resize(static_cast<std::size_t>(counted + 1000 - 4), 0x00);
    longer.insert(longer.end(), endCode.begin(), endCode.end());
    ASSERT_LT(static_cast<std::int64_t>(longer.size()), std::int64_t{e.DataSize} + e.Spare);

    {
        FirmwareRun run(f.image);
        ScriptedDialogs ui;
        const Outcome refused = run.replace(0, longer, {false, false}, ui);
        EXPECT_FALSE(refused.isDone());
        EXPECT_EQ(readFile(run.firmware), f.image);
        ASSERT_FALSE(ui.questions.empty()) << ui.logText();
        EXPECT_EQ(ui.questions.back(), Question::Confirmation);
        const std::string roomLine = "The picture's pointer record counts " +
                                     std::to_string(sectors) + " sectors: the room in place is " +
                                     std::to_string(counted) + " bytes, not " +
                                     std::to_string(e.DataSize + e.Spare) + ".";
        EXPECT_NE(std::find(ui.lines.begin(), ui.lines.end(), roomLine), ui.lines.end())
            << ui.logText();
    }
    {
        // Even confirmed, the verification keeps the stream within the sectors.
        FirmwareRun run(f.image);
        ScriptedDialogs ui;
        const Outcome refused = run.replace(0, longer, {false, true}, ui);
        EXPECT_FALSE(refused.isDone());
        EXPECT_EQ(readFile(run.firmware), f.image);
        ASSERT_TRUE(refused.is<VerificationFailed>()) << ui.logText();
        const std::string text = refused.get<VerificationFailed>().text;
        EXPECT_NE(text.find("past the " + std::to_string(sectors) + " sectors"), std::string::npos)
            << text;
        EXPECT_NE(text.find("Make the stream at most " + std::to_string(counted) + " bytes"),
                  std::string::npos)
            << text;
    }
    {
        // A stream that fits the counted sectors is written as before.
        Bytes fits = longer;
        fits.erase(fits.end() - 4 - 1000, fits.end() - 4);
        FirmwareRun run(f.image);
        ScriptedDialogs ui;
        EXPECT_TRUE(testing::toldDone(run.replace(0, fits, {}, ui), ui)) << ui.logText();
    }
}

}  // namespace
}  // namespace velmora
