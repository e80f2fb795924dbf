// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <vector>

#include "rewrite/replace_texts.h"
#include "rewrite/room.h"
#include "rewrite/stream_checks.h"
#include "tests/support/scripted_dialogs.h"

namespace velmora {
namespace {

using testing::ScriptedDialogs;
using Bytes = std::vector<std::uint8_t>;

PictureEntry mpeg2Entry() {
    PictureEntry e;
    e.Kind = kKindMpeg2;
    e.Start = 0x1000;
    e.End = 0x1000 + 6000;
    e.RoomEnd = e.End + 100;
    e.PointerAddr = 0x9000;
    e.DataSize = 5800;
    e.Spare = 90;
    e.GapLength = 48;
    e.BlockLength = 2000;
    return e;
}

PictureEntry mpeg4Entry() {
    PictureEntry e = mpeg2Entry();
    e.Kind = kKindMpeg4;
    e.GapLength = 0;
    e.BlockLength = 0;
    return e;
}

TEST(Room, InPlaceRoomIsTheDataWithOrWithoutSpare) {
    EXPECT_EQ(roomInPlace(mpeg2Entry(), true), 5890);
    EXPECT_EQ(roomInPlace(mpeg2Entry(), false), 5800);
}

TEST(Room, MoveIsOfferedOnlyForAKnownPointerAndStrictlyMoreFreeSpaceThanTheSpan) {
    PictureEntry e = mpeg2Entry();
    EXPECT_FALSE(moveIsOffered(e, 6000));
    EXPECT_TRUE(moveIsOffered(e, 6001));
    e.PointerAddr = 0;
    EXPECT_FALSE(moveIsOffered(e, 1'000'000));
}

TEST(Room, MovedRoomLeavesSpaceForTheSectorTableAndTheHeaders) {
    PictureEntry e = mpeg2Entry();
    EXPECT_EQ(movedRoomSize(e, 100'000), 95'952);
    e.GapLength = 0;  // not fragmented: whole sectors less the table
    e.BlockLength = 6000;
    EXPECT_EQ(movedRoomSize(e, 100'000), 98'304);
}

TEST(Room, Mpeg4MoveRoomKeepsTheChunkHeaderAndPadInsideTheFreeArea) {
    EXPECT_EQ(movedRoomSize(mpeg4Entry(), 200'000), 65'536);
    EXPECT_EQ(movedRoomSize(mpeg4Entry(), 65'545), 65'536);
    EXPECT_EQ(movedRoomSize(mpeg4Entry(), 65'544), 65'535);
    EXPECT_EQ(movedRoomSize(mpeg4Entry(), 30'000), 29'991);
}

TEST(Room, TheMoveQuestionDecidesThePlacementAndTheSpareBoxDoesNotMatterForAMove) {
    Session session;
    session.FreeSpaceSize = 100'000;
    session.Options.UseSpareSpace = false;
    for (const bool yes : {false, true}) {
        ScriptedDialogs ui;
        ui.answers = {yes};
        const Room room =
            *decideRoom(session.Options.UseSpareSpace, session.FreeSpaceSize, ui, mpeg2Entry());
        ASSERT_EQ(ui.boxes.size(), 1u);
        EXPECT_EQ(ui.boxes[0].kind, "question");
        EXPECT_EQ(ui.boxes[0].caption, "Move picture?");
        EXPECT_EQ(ui.boxes[0].text,
                  "This image can be moved into unoccupied place in the flash.\x0D"
                  "This can improve picture quality. Do You want to proceed?");
        EXPECT_EQ(room.MoveToFreeSpace, yes);
        EXPECT_EQ(room.RoomSize, yes ? 95'952 : 5800);
    }
}

TEST(Room, AMoveQuestionClosedWithoutAnAnswerCancelsTheReplacement) {
    Session session;
    session.FreeSpaceSize = 100'000;
    ScriptedDialogs ui;
    ui.closeOn = Question::MovePicture;
    const Result<Room> room =
        decideRoom(session.Options.UseSpareSpace, session.FreeSpaceSize, ui, mpeg2Entry());
    ASSERT_FALSE(room.ok());
    EXPECT_TRUE(room.outcome().is<Cancelled>());
}

TEST(Room, NoQuestionWithoutEnoughFreeSpace) {
    Session session;
    session.FreeSpaceSize = 6000;
    ScriptedDialogs ui;
    ui.defaultAnswer = true;
    const Room room =
        *decideRoom(session.Options.UseSpareSpace, session.FreeSpaceSize, ui, mpeg2Entry());
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_FALSE(room.MoveToFreeSpace);
    EXPECT_EQ(room.RoomSize, 5890);
}

Bytes withCodeAt(std::size_t size, std::size_t at, std::uint8_t code) {
    Bytes b(size, 0x55);
    b.at(at) = 0;
    b.at(at + 1) = 0;
    b.at(at + 2) = 1;
    b.at(at + 3) = code;
    return b;
}

TEST(StreamStart, FindsTheFirstVideoCodeAndForMpeg4TheVideoObject) {
    struct Case {
        const char* what;
        Bytes file;
        int kind;
        StreamStartResult result;
        std::int64_t offset;
    };
    Bytes mpeg4 = withCodeAt(64, 30, 0xB6);
    mpeg4[10] = 0, mpeg4[11] = 0, mpeg4[12] = 1, mpeg4[13] = 0x00;
    Bytes sequenceAfterVop = withCodeAt(64, 40, 0xB3);
    sequenceAfterVop[20] = 0, sequenceAfterVop[21] = 0, sequenceAfterVop[22] = 1,
    sequenceAfterVop[23] = 0xB6;
    const std::vector<Case> cases = {
        {"sequence header", withCodeAt(64, 5, 0xB3), kKindMpeg2, StreamStartResult::Found, 5},
        {"vop first for MPEG-2", withCodeAt(64, 0, 0xB6), kKindMpeg2, StreamStartResult::Found, 0},
        {"earliest of both", sequenceAfterVop, kKindMpeg2, StreamStartResult::Found, 20},
        {"code in the last four bytes", withCodeAt(64, 60, 0xB3), kKindMpeg2,
         StreamStartResult::Found, 60},
        {"MPEG-4 at its video object", mpeg4, kKindMpeg4, StreamStartResult::Found, 10},
        {"MPEG-4 without video object", withCodeAt(64, 8, 0xB3), kKindMpeg4,
         StreamStartResult::NoVolStartCode, 0},
        {"video object but no video", withCodeAt(64, 8, 0x00), kKindMpeg4,
         StreamStartResult::NoVideo, 0},
        {"three bytes", Bytes{0, 0, 1}, kKindMpeg2, StreamStartResult::NoVideo, 0},
        {"empty", Bytes{}, kKindMpeg4, StreamStartResult::NoVideo, 0},
    };
    for (const Case& c : cases) {
        const StreamStart start = findStreamStart(c.file, c.kind);
        EXPECT_EQ(start.result, c.result) << c.what;
        if (c.result == StreamStartResult::Found) {
            EXPECT_EQ(start.StreamOffset, c.offset) << c.what;
        }
    }
}

TEST(ReadyStreamCheck, RefusalsShowTheBoxThenTheLogLine) {
    struct Case {
        Bytes file;
        int kind;
        std::string text;
    };
    const std::vector<Case> cases = {
        {Bytes{1, 2}, kKindMpeg2, "The file do not contain any video!"},
        {withCodeAt(20, 0, 0xB3), kKindMpeg4, "Can not find VOL_start_code!"},
        {withCodeAt(20, 0, 0x00), kKindMpeg4, "The file do not contain any video!"},
    };
    for (const Case& c : cases) {
        ScriptedDialogs ui;
        const Result<std::int64_t> checked = checkReadyStream(ui, c.file, c.kind, 1000);
        ASSERT_FALSE(checked.ok());
        (void)testing::toldDone(checked.outcome(), ui);
        ASSERT_EQ(ui.boxes.size(), 1u);
        EXPECT_EQ(ui.boxes[0].kind, "error");
        EXPECT_EQ(ui.boxes[0].caption, "ERROR!");
        EXPECT_EQ(ui.boxes[0].text, c.text);
        EXPECT_EQ(ui.lines, std::vector<std::string>{"ERROR! " + c.text});
    }
}

TEST(ReadyStreamCheck, AStreamOfTheOtherKindIsRefused) {
    // The start codes as the encoders write them, with a few bytes between.
    const auto stream = [](std::initializer_list<std::uint8_t> codes) {
        Bytes s;
        for (const std::uint8_t code : codes)
            s.insert(s.end(), {0x00, 0x00, 0x01, code, 0x12, 0x34});
        return s;
    };
    // Sequence header, extension, picture, extension, slices up to 0x24, end.
    Bytes mpeg2 = stream({0xB3, 0xB5, 0x00, 0xB5});
    for (std::uint8_t slice = 0x01; slice <= 0x24; ++slice) {
        const Bytes one = stream({slice});
        mpeg2.insert(mpeg2.end(), one.begin(), one.end());
    }
    mpeg2.insert(mpeg2.end(), {0x00, 0x00, 0x01, 0xB7});
    // Visual object sequence, visual object, video object, its layer, a plane.
    const Bytes mpeg4 = stream({0xB0, 0xB5, 0x00, 0x20, 0xB6});

    const struct {
        const Bytes& file;
        int kind;
        const char* text;
    } refused[] = {
        {mpeg4, kKindMpeg2,
         "This video is not an MPEG2 stream, but the picture is MPEG2: the player could not "
         "show it."},
        {mpeg2, kKindMpeg4,
         "This video is not an MPEG4 stream, but the picture is MPEG4: the player could not "
         "show it."},
    };
    for (const auto& c : refused) {
        ScriptedDialogs ui;
        const Result<std::int64_t> checked = checkReadyStream(ui, c.file, c.kind, 100000);
        ASSERT_FALSE(checked.ok()) << c.kind;
        (void)testing::toldDone(checked.outcome(), ui);
        ASSERT_EQ(ui.boxes.size(), 1u);
        EXPECT_EQ(ui.boxes[0].caption, "ERROR!");
        EXPECT_EQ(ui.boxes[0].text, c.text);
        EXPECT_EQ(ui.lines, std::vector<std::string>{std::string("ERROR! ") + c.text});
    }
    ScriptedDialogs ui;
    EXPECT_TRUE(checkReadyStream(ui, mpeg2, kKindMpeg2, 100000).ok()) << "slice 0x20 after 0x1F";
    EXPECT_TRUE(checkReadyStream(ui, mpeg4, kKindMpeg4, 100000).ok());
}

TEST(ReadyStreamCheck, AStreamOfExactlyTheRoomPassesWithoutAQuestion) {
    ScriptedDialogs ui;
    const Bytes file = withCodeAt(104, 4, 0xB3);  // 100 bytes from the code
    EXPECT_EQ(*checkReadyStream(ui, file, kKindMpeg2, 100), 4);
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_TRUE(ui.lines.empty());
}

TEST(ReadyStreamCheck, ALargerStreamNeedsAYesToConfirmation) {
    const Bytes file = withCodeAt(104, 4, 0xB3);
    for (const bool yes : {false, true}) {
        ScriptedDialogs ui;
        ui.answers = {yes};
        const Result<std::int64_t> offset = checkReadyStream(ui, file, kKindMpeg2, 99);
        ASSERT_EQ(ui.boxes.size(), 1u);
        EXPECT_EQ(ui.boxes[0].caption, "Confirmation");
        EXPECT_EQ(ui.boxes[0].text,
                  "This videostream size larger then original!\x0D"
                  "Replacing may be harmful. Do You want to proceed?");
        std::vector<std::string> expected{"This video larger then free space in the flash..."};
        if (yes) expected.push_back("Continue to replace on you own risk!");
        EXPECT_EQ(ui.lines, expected);
        EXPECT_EQ(offset.ok(), yes);
    }
}

}  // namespace
}  // namespace velmora
