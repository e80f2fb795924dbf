// SPDX-License-Identifier: GPL-3.0-or-later
#include "rewrite/replace_picture.h"
#include "tests/support/session_replacement.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <vector>

#include "catalogue/working_copy.h"
#include "convert/source_intake.h"
#include "firmware/byte_order.h"
#include "firmware/file_io.h"
#include "firmware/fingerprint.h"
#include "rewrite/structure.h"
#include "tests/support/failing_file_system.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/temp_dir.h"

namespace velmora {
namespace {

using Bytes = std::vector<std::uint8_t>;
using testing::readFile;
using testing::ScriptedDialogs;
using testing::TempDir;

constexpr std::uint32_t kFreeAddr = 0x10000;
constexpr std::int32_t kFreeSize = 0xF000;
constexpr std::int64_t kImageSize = 0x20000;

// The images here hold no real picture: the replacement checks where its
// bytes went, not what a fresh analysis or the decoder make of them.
template <typename Converter>
ReplacementTools madeUp(Converter convert, FileSystem& files = realFileSystem()) {
    ReplacementTools tools(std::move(convert), files);
    tools.verify = verifyLayout;
    return tools;
}

// A firmware image with some code, one picture and an erased area at kFreeAddr;
// it starts FA A1 as a dump does (A1 FA when stored swapped).
Bytes normalisedImage() {
    Bytes b(kImageSize);
    for (std::size_t i = 0; i < b.size(); ++i) b[i] = static_cast<std::uint8_t>((i * 13 + 5) % 251);
    b[0] = 0xFA;
    b[1] = 0xA1;
    std::fill(b.begin() + kFreeAddr, b.begin() + kFreeAddr + kFreeSize, 0xFF);
    return b;
}

PictureEntry mpeg2Picture() {
    PictureEntry e;
    e.Kind = kKindMpeg2;
    e.Start = 0x2030;
    e.End = e.Start + 6000;
    e.RoomEnd = e.Start + 6100;
    e.PointerAddr = 0x9000;
    e.DataSize = 5800;
    e.Spare = 50;
    e.GapLength = 48;
    e.BlockLength = 2000;
    for (int i = 0; i < 48; ++i)
        e.GapBytes[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(0xC0 + i);
    return e;
}

PictureEntry mpeg4Picture(bool wordSwapped) {
    PictureEntry e;
    e.Kind = kKindMpeg4;
    e.Start = 0x3000;
    e.End = 0x3000 + 8 + 0x400;
    e.RoomEnd = e.End + 0x20;
    e.PointerAddr = 0x9100;
    e.DataSize = 0x400;
    e.WordSwapped = wordSwapped;
    return e;
}

// A ready MPEG-2 stream: junk, then a sequence header code; `length` bytes from the code on.
Bytes mpeg2Stream(std::size_t length, std::size_t junk = 3) {
    Bytes s(junk + length);
    for (std::size_t i = 0; i < s.size(); ++i) s[i] = static_cast<std::uint8_t>(i * 31 + 7);
    s[junk] = 0, s[junk + 1] = 0, s[junk + 2] = 1, s[junk + 3] = 0xB3;
    return s;
}

// A ready MPEG-4 stream as the encoder writes it: ten leading bytes, the video
// object code, then the plane.
Bytes mpeg4Stream(std::size_t length) {
    Bytes s{0x00, 0x00, 0x01, 0xB0, 0xF5, 0x00, 0x00, 0x01, 0xB5, 0x09, 0x00, 0x00, 0x01, 0x00};
    while (s.size() < 10 + length) s.push_back(static_cast<std::uint8_t>(s.size() * 17 + 1));
    s[14] = 0, s[15] = 0, s[16] = 1, s[17] = 0x20;  // the video object layer
    s[20] = 0, s[21] = 0, s[22] = 1, s[23] = 0xB6;
    return s;
}

// The files and session of one run of the program.
struct Bench {
    TempDir dir;
    Session session;
    Bytes stored;      // the firmware file as the analysis saw it
    Bytes normalised;  // the byte-normalised image

    Bench(const std::string& name, const PictureEntry& entry, bool swapped,
          Bytes image = normalisedImage()) {
        normalised = std::move(image);
        if (!entry.isMpeg2()) {  // the chunk's tag, which stays when written in place
            const char* tag = entry.WordSwapped ? "00cd" : "00dc";
            std::copy(tag, tag + 4, normalised.begin() + entry.Start);
        }
        stored = swapped ? swapWordBytes(normalised) : normalised;
        session.TempDir = dir.path();
        session.FirmwarePath = dir.write(name, stored);
        session.FirmwareName = name;
        session.UpdateImage = isUpdateImage(name);
        session.ByteSwapped = swapped;
        if (swapped) (void)dir.write(kWorkingCopy, normalised);
        session.FreeSpaceAddr = kFreeAddr;
        session.FreeSpaceSize = kFreeSize;
        session.anchors.SegmentBase = 0x4000;
        session.PictureTable[0] = entry;
        session.PictureCount = 1;
        session.PicturesFound = true;
        session.FirmwareFingerprint = fingerprint(stored);
    }

    void source(const std::string& name, const Bytes& bytes) {
        session.SourcePath = dir.write(name, bytes);
        session.SourceOpened = true;
        session.SourceAccepted.isJpeg = isJpegSource(session.SourcePath);
    }
    [[nodiscard]] Bytes firmwareNow() const { return readFile(session.FirmwarePath); }
    [[nodiscard]] Bytes workingNow() const { return readFile(session.workFile(kWorkingCopy)); }
    void expectUnchanged() const {
        EXPECT_EQ(firmwareNow(), stored);
        if (session.ByteSwapped) {
            EXPECT_EQ(workingNow(), normalised);
        }
        EXPECT_EQ(session.FreeSpaceAddr, kFreeAddr);
        EXPECT_EQ(session.FreeSpaceSize, kFreeSize);
        EXPECT_EQ(session.FirmwareFingerprint, fingerprint(stored));
    }
};

Result<ConvertedStream> noConversion(const ConversionInput&, Dialogs&, const PictureEntry&,
                                     std::int32_t) {
    ADD_FAILURE() << "a ready-made stream must not be converted";
    return Outcome::refused("Error!", "no conversion");
}

void expectOneBox(const ScriptedDialogs& ui, const std::string& caption,
                  const std::string& text = "") {
    std::vector<ScriptedDialogs::Box> errors;
    for (const auto& b : ui.boxes)
        if (b.kind != "question") errors.push_back(b);
    ASSERT_EQ(errors.size(), 1u) << ui.logText();
    EXPECT_EQ(errors[0].kind, "error");
    EXPECT_EQ(errors[0].caption, caption);
    if (!text.empty()) {
        EXPECT_EQ(errors[0].text, text);
    }
    EXPECT_FALSE(ui.hasLine("All operations completed successfully!"));
}

Bytes slice(const Bytes& b, std::int64_t at, std::int64_t n) {
    return Bytes(b.begin() + at, b.begin() + at + n);
}

TEST(ReplacePicture, ReadyMpeg2InPlaceFollowsTheWorkedExample) {
    Bench bench("dump.bin", mpeg2Picture(), false);
    const Bytes file = mpeg2Stream(4500);
    bench.source("new.m2v", file);
    ScriptedDialogs ui;  // answers No to the move
    ASSERT_TRUE(
        testing::toldDone(testing::replaceInSession(bench.session, ui, madeUp(noConversion)), ui));

    EXPECT_EQ(ui.lines, (std::vector<std::string>{
                            "Original firmware kept as dump.bin.orig", "Replacing the picture...",
                            "Completed! The old picture is replaced with the new!",
                            "All operations completed successfully!"}));
    ASSERT_EQ(ui.boxes.size(), 2u);
    EXPECT_EQ(ui.boxes[0].caption, "Move picture?");
    EXPECT_EQ(ui.boxes[1].kind, "information");
    EXPECT_EQ(ui.boxes[1].caption, "Completed!");
    EXPECT_EQ(ui.boxes[1].text, "Completed! Old picture is replaced with the new!");

    const Bytes now = bench.firmwareNow();
    const PictureEntry e = mpeg2Picture();
    const std::int64_t s = e.Start;
    const Bytes gap(e.GapBytes.begin(), e.GapBytes.begin() + 48);
    EXPECT_EQ(slice(now, s, 2000), slice(file, 3, 2000));
    EXPECT_EQ(slice(now, s + 2000, 48), gap);
    EXPECT_EQ(slice(now, s + 2048, 2000), slice(file, 2003, 2000));
    EXPECT_EQ(slice(now, s + 4048, 48), gap);
    EXPECT_EQ(slice(now, s + 4096, 500), slice(file, 4003, 500));
    EXPECT_EQ(slice(now, s + 4596, 4), (Bytes{0x00, 0x00, 0x01, 0xB9}));
    EXPECT_EQ(slice(now, e.RoomEnd - 2, 2), (Bytes{0x01, 0xB9}));
    // Nothing outside the room changes: not the header before Start, not the records.
    EXPECT_EQ(slice(now, 0, s), slice(bench.stored, 0, s));
    EXPECT_EQ(slice(now, e.RoomEnd, kImageSize - e.RoomEnd),
              slice(bench.stored, e.RoomEnd, kImageSize - e.RoomEnd));
    EXPECT_EQ(bench.session.FreeSpaceAddr, kFreeAddr);
    EXPECT_EQ(bench.session.FirmwareFingerprint, fingerprint(now));
}

TEST(ReplacePicture, ReadyMpeg2MovedTwiceInOneRunGoesBehindTheFirstMove) {
    Bench bench("dump.bin", mpeg2Picture(), false);
    const Bytes file = mpeg2Stream(4500);
    bench.source("new.mpg", file);
    ScriptedDialogs ui;
    ui.defaultAnswer = true;
    ASSERT_TRUE(
        testing::toldDone(testing::replaceInSession(bench.session, ui, madeUp(noConversion)), ui));

    const Bytes now = bench.firmwareNow();
    const PictureEntry e = mpeg2Picture();
    const Bytes gap(e.GapBytes.begin(), e.GapBytes.begin() + 48);
    EXPECT_EQ(slice(now, kFreeAddr, 48), gap);
    EXPECT_EQ(slice(now, kFreeAddr + 48, 2000), slice(file, 3, 2000));
    EXPECT_EQ(slice(now, kFreeAddr + 4144, 500), slice(file, 4003, 500));
    EXPECT_EQ(slice(now, kFreeAddr + 6142, 2), (Bytes{0x01, 0xB9}));
    EXPECT_EQ(slice(now, kFreeAddr + 6144, 12),
              (Bytes{0x00, 0x00, 0x00, 0x41, 0x00, 0x08, 0x00, 0x41, 0x00, 0x10, 0x00, 0x41}));
    EXPECT_EQ(slice(now, e.PointerAddr, 6), (Bytes{0x03, 0x00, 0x00, 0x18, 0x00, 0x41}));
    EXPECT_EQ(slice(now, e.Start - 48, 6100 + 48), slice(bench.stored, e.Start - 48, 6100 + 48))
        << "the old picture stays";
    EXPECT_EQ(bench.session.FreeSpaceAddr, kFreeAddr + 0x1810);
    EXPECT_EQ(bench.session.FreeSpaceSize, kFreeSize - 0x1810);

    ScriptedDialogs again;
    again.defaultAnswer = true;
    ASSERT_TRUE(testing::toldDone(
        testing::replaceInSession(bench.session, again, madeUp(noConversion)), again))
        << again.logText();
    const Bytes second = bench.firmwareNow();
    EXPECT_EQ(slice(second, kFreeAddr + 0x1810, 48), gap);
    EXPECT_EQ(slice(second, e.PointerAddr + 2, 4), (Bytes{0x10, 0x18, 0x18, 0x41}));
    EXPECT_EQ(slice(second, kFreeAddr, 0x1810), slice(now, kFreeAddr, 0x1810));
    EXPECT_EQ(bench.session.FreeSpaceAddr, kFreeAddr + 2 * 0x1810);
}

TEST(ReplacePicture, SwappedUpdateImageWithAMovedMpeg4Chunk) {
    Bench bench("FW.Img", mpeg4Picture(false), true);
    const Bytes file = mpeg4Stream(0xA31);
    bench.source("clip.m4v", file);
    ScriptedDialogs ui;
    ui.defaultAnswer = true;
    ASSERT_TRUE(
        testing::toldDone(testing::replaceInSession(bench.session, ui, madeUp(noConversion)), ui))
        << ui.logText();

    EXPECT_EQ(ui.lines,
              (std::vector<std::string>{
                  "Original firmware kept as FW.Img.orig", "Replacing the picture...",
                  "Recreating Structure, pointed to the picture...", "New FreeSpaceAddr= 00010A40",
                  "Completed! The old picture is replaced with the new!",
                  "Calculating new CRC for the image file...", "Done! New CRC byte is written.",
                  "Wait, the swapped firmware is rewritten now...",
                  "All operations completed successfully!"}));
    const Bytes working = bench.workingNow();
    const Bytes stored = bench.firmwareNow();
    EXPECT_EQ(stored, swapWordBytes(working));
    const std::uint32_t l = 0xA31 + 10 - 10;
    EXPECT_EQ(slice(working, kFreeAddr, 8), (Bytes{'0', '0', 'd', 'c', static_cast<std::uint8_t>(l),
                                                   static_cast<std::uint8_t>(l >> 8), 0, 0}));
    EXPECT_EQ(slice(working, kFreeAddr + 8, l), slice(file, 10, l));
    const PictureEntry e = mpeg4Picture(false);
    const auto record = sizeRecord(l);
    EXPECT_EQ(slice(working, e.RoomEnd, 5), Bytes(record.begin(), record.end()));
    EXPECT_EQ(slice(working, e.PointerAddr, 4), (Bytes{0x00, 0x00, 0x00, 0x41}));
    EXPECT_EQ(bench.session.FreeSpaceAddr, 0x10A40u);
    for (const Bytes* b : {&working, &stored}) {
        std::uint8_t sum = 0;
        for (std::size_t i = 0; i + 2 < b->size(); ++i)
            sum = static_cast<std::uint8_t>(sum + (*b)[i]);
        EXPECT_EQ((*b)[b->size() - 2], sum);
        EXPECT_EQ((*b)[b->size() - 1], sum);
    }
}

TEST(ReplacePicture, WordSwappedChunkInPlaceOnABinDumpHasNoChecksum) {
    Bench bench("dump.image", mpeg4Picture(true), false);
    const Bytes file = mpeg4Stream(0x3FF);
    bench.source("clip", file);
    ScriptedDialogs ui;
    ASSERT_TRUE(
        testing::toldDone(testing::replaceInSession(bench.session, ui, madeUp(noConversion)), ui))
        << ui.logText();
    EXPECT_FALSE(ui.hasLine("Calculating new CRC for the image file..."));
    const Bytes now = bench.firmwareNow();
    const PictureEntry e = mpeg4Picture(true);
    EXPECT_EQ(slice(now, e.Start, 8),
              (Bytes{bench.stored[e.Start], bench.stored[e.Start + 1], bench.stored[e.Start + 2],
                     bench.stored[e.Start + 3], 0x03, 0xFF, 0x00, 0x00}));
    EXPECT_EQ(now[e.Start + 8 + 0x3FE], 0x00);
    EXPECT_EQ(now[e.Start + 8 + 0x3FF], file.back());
    EXPECT_EQ(slice(now, e.End, 0x20), Bytes(0x20, 0x00));
    EXPECT_EQ(slice(now, e.PointerAddr, 4), (Bytes{0x00, 0x00, 0x30, 0x40}));
    EXPECT_EQ(slice(now, now.size() - 2, 2), slice(bench.stored, now.size() - 2, 2));
}

TEST(ReplacePicture, AChunkWithoutAKnownPointerIsNeitherMovedNorGivenASizeRecord) {
    PictureEntry e = mpeg4Picture(false);
    e.PointerAddr = 0;
    e.RoomEnd = e.End;
    Bench bench("dump.bin", e, false);
    bench.source("clip.m4v", mpeg4Stream(0x300));
    ScriptedDialogs ui;
    ui.defaultAnswer = true;
    ASSERT_TRUE(
        testing::toldDone(testing::replaceInSession(bench.session, ui, madeUp(noConversion)), ui))
        << ui.logText();
    ASSERT_EQ(ui.boxes.size(), 1u) << "no move offered";
    const Bytes now = bench.firmwareNow();
    EXPECT_EQ(slice(now, e.Start + 8 + 0x300, e.End - e.Start - 8 - 0x300),
              Bytes(e.End - e.Start - 8 - 0x300, 0x00));
    EXPECT_EQ(slice(now, e.End, kImageSize - e.End),
              slice(bench.stored, e.End, kImageSize - e.End));
    EXPECT_EQ(slice(now, 0, e.Start), slice(bench.stored, 0, e.Start));
}

TEST(ReplacePicture, UnknownBlockLayoutIsRefusedBeforeAnyQuestion) {
    PictureEntry e = mpeg2Picture();
    e.BlockLength = 0;
    Bench bench("dump.bin", e, false);
    bench.source("new.m2v", mpeg2Stream(9000));
    ScriptedDialogs ui;
    ui.defaultAnswer = true;
    EXPECT_FALSE(
        testing::toldDone(testing::replaceInSession(bench.session, ui, madeUp(noConversion)), ui));
    ASSERT_EQ(ui.boxes.size(), 1u);
    expectOneBox(ui, "ERROR!",
                 "The block layout of this picture is unknown; it cannot be replaced.");
    EXPECT_TRUE(ui.lines.empty());
    bench.expectUnchanged();
}

TEST(ReplacePicture, APictureThatWouldRunPastTheFileIsRefused) {
    PictureEntry e = mpeg4Picture(false);
    Bench bench("dump.bin", e, false);
    bench.source("big.m4v", mpeg4Stream(kImageSize));
    ScriptedDialogs ui;
    ui.answers = {false, true};  // stay in place, confirm the size
    EXPECT_FALSE(
        testing::toldDone(testing::replaceInSession(bench.session, ui, madeUp(noConversion)), ui));
    expectOneBox(ui, "ERROR!", "The new picture does not fit inside the firmware file.");
    EXPECT_FALSE(ui.hasLine("Replacing the picture..."));
    bench.expectUnchanged();
}

TEST(ReplacePicture, ANoToConfirmationEndsSilentlyWithNothingWritten) {
    Bench bench("dump.bin", mpeg2Picture(), false);
    bench.source("new.m2v", mpeg2Stream(5851));
    ScriptedDialogs ui;
    EXPECT_FALSE(
        testing::toldDone(testing::replaceInSession(bench.session, ui, madeUp(noConversion)), ui));
    EXPECT_EQ(ui.lines,
              std::vector<std::string>{"This video larger then free space in the flash..."});
    ASSERT_EQ(ui.boxes.size(), 2u);
    EXPECT_EQ(ui.boxes[1].caption, "Confirmation");
    bench.expectUnchanged();
}

TEST(ReplacePicture, AStreamWithoutVideoChangesNothing) {
    Bench bench("dump.bin", mpeg2Picture(), true);
    bench.source("empty.m2v", Bytes(100, 0x00));
    ScriptedDialogs ui;
    EXPECT_FALSE(
        testing::toldDone(testing::replaceInSession(bench.session, ui, madeUp(noConversion)), ui));
    expectOneBox(ui, "ERROR!", "The file do not contain any video!");
    bench.expectUnchanged();
}

TEST(ReplacePicture, EveryFailedCommitLeavesBothFilesAsTheyWere) {
    for (const bool swapped : {false, true}) {
        for (const bool atWorkingCopy : {false, true}) {
            if (atWorkingCopy && !swapped) continue;
            for (const auto step : testing::FailingFileSystem::kEverySteps) {
                Bench bench("fw.img", mpeg2Picture(), swapped);
                bench.source("new.m2v", mpeg2Stream(4500));
                ScriptedDialogs ui;
                // The firmware is the first file written, the working copy the second.
                testing::FailingFileSystem failing(step, atWorkingCopy ? 2 : 1);
                EXPECT_FALSE(testing::toldDone(
                    testing::replaceInSession(bench.session, ui, madeUp(noConversion, failing)),
                    ui));
                expectOneBox(ui, "I/O error");
                bench.expectUnchanged();
                // The original kept beside it is the firmware as it still is.
                EXPECT_EQ(readFile(bench.session.FirmwarePath + ".orig"), bench.stored);
                EXPECT_EQ(std::distance(std::filesystem::directory_iterator(bench.dir.path()),
                                        std::filesystem::directory_iterator()),
                          swapped ? 4 : 3)
                    << "no temporary file is left behind";
                // Nothing in the log says the picture was replaced; the failure is there.
                EXPECT_FALSE(ui.hasLine("Completed! The old picture is replaced with the new!"));
                EXPECT_FALSE(ui.hasLine("Replacing the picture..."));
                EXPECT_TRUE(ui.hasLine("ERROR! The firmware file was not changed."));
            }
        }
    }
}

// The disk is full once the firmware is written: neither the working copy
// nor the firmware's old content can be written. The firmware holds the new,
// verified result, and the outcome says so: no stale twin is left.
TEST(ReplacePicture, AFirmwareCommittedWhoseWorkCopyCannotFollowIsDoneWithAWarning) {
    Bench bench("fw.img", mpeg2Picture(), true);
    bench.source("new.m2v", mpeg2Stream(4500));
    ScriptedDialogs ui;
    // Write 2 is the working copy, write 3 putting the firmware back.
    testing::FailingFileSystem full(testing::FailingFileSystem::Step::Write, {2, 3});
    EXPECT_TRUE(testing::toldDone(
        testing::replaceInSession(bench.session, ui, madeUp(noConversion, full)), ui));
    EXPECT_NE(bench.firmwareNow(), bench.stored);
    EXPECT_FALSE(fileExists(bench.session.workFile(kWorkingCopy))) << "a stale twin is left";
    bool warned = false;
    for (const std::string& line : ui.lines)
        warned = warned || line.rfind("Warning: the firmware file is changed and verified", 0) == 0;
    EXPECT_TRUE(warned);
    EXPECT_TRUE(ui.hasLine("All operations completed successfully!"));
    EXPECT_EQ(bench.session.FirmwareFingerprint, fingerprint(bench.firmwareNow()));
}

TEST(ReplacePicture, ASecondHardLinkIsToldToKeepTheOldContent) {
    Bench bench("dump.bin", mpeg2Picture(), false);
    bench.source("new.m2v", mpeg2Stream(4500));
    const std::string other = bench.dir.file("other-name.bin");
    ASSERT_EQ(::link(bench.session.FirmwarePath.c_str(), other.c_str()), 0);
    ScriptedDialogs ui;
    ASSERT_TRUE(
        testing::toldDone(testing::replaceInSession(bench.session, ui, madeUp(noConversion)), ui));
    EXPECT_TRUE(
        ui.hasLine("dump.bin has another name (a hard link), which keeps the old content."));
    EXPECT_EQ(readFile(other), bench.stored);
}

TEST(ReplacePicture, ThroughASymbolicLinkTheTargetChangesAndKeepsItsOriginalBesideIt) {
    Bench bench("real.bin", mpeg2Picture(), false);
    bench.source("new.m2v", mpeg2Stream(4500));
    ASSERT_EQ(::mkdir(bench.dir.file("links").c_str(), 0755), 0);
    const std::string target = bench.session.FirmwarePath;
    const std::string link = bench.dir.file("links/dump.bin");
    ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0);
    bench.session.FirmwarePath = link;
    ScriptedDialogs ui;
    ASSERT_TRUE(
        testing::toldDone(testing::replaceInSession(bench.session, ui, madeUp(noConversion)), ui));
    struct stat st {};
    ASSERT_EQ(::lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_NE(readFile(target), bench.stored);
    EXPECT_EQ(readFile(target + ".orig"), bench.stored);
    EXPECT_FALSE(fileExists(link + ".orig"));
}

TEST(ReplacePicture, RootKeepsTheOwnerOfTheFirmwareAndItsOriginal) {
    if (::geteuid() != 0) GTEST_SKIP() << "only root can give a file to another user";
    Bench bench("dump.bin", mpeg2Picture(), false);
    bench.source("new.m2v", mpeg2Stream(4500));
    ASSERT_EQ(::chown(bench.session.FirmwarePath.c_str(), 4242, 4343), 0);
    ASSERT_EQ(::chmod(bench.session.FirmwarePath.c_str(), 0640), 0);
    ScriptedDialogs ui;
    ASSERT_TRUE(
        testing::toldDone(testing::replaceInSession(bench.session, ui, madeUp(noConversion)), ui));
    for (const std::string& path :
         {bench.session.FirmwarePath, bench.session.FirmwarePath + ".orig"}) {
        struct stat st {};
        ASSERT_EQ(::stat(path.c_str(), &st), 0);
        EXPECT_EQ(st.st_uid, 4242u) << path;
        EXPECT_EQ(st.st_gid, 4343u) << path;
        EXPECT_EQ(st.st_mode & 07777, 0640u) << path;
    }
}

// A run killed during its commit left its temporary files; the next run on
// the file removes them, and nothing else.
TEST(ReplacePicture, TemporariesOfAKilledRunAreRemovedByTheNext) {
    Bench bench("dump.bin", mpeg2Picture(), false);
    bench.source("new.m2v", mpeg2Stream(4500));
    (void)bench.dir.write("dump.bin.velmora-a1B2c3", Bytes(100, 1));
    (void)bench.dir.write("dump.bin.orig.velmora-Zz9Yy8", Bytes(100, 2));
    (void)bench.dir.write("dump.bin.velmora-notours", Bytes(100, 3));
    (void)bench.dir.write("other.bin.velmora-a1B2c3", Bytes(100, 4));
    ScriptedDialogs ui;
    ASSERT_TRUE(
        testing::toldDone(testing::replaceInSession(bench.session, ui, madeUp(noConversion)), ui));
    EXPECT_FALSE(fileExists(bench.dir.file("dump.bin.velmora-a1B2c3")));
    EXPECT_FALSE(fileExists(bench.dir.file("dump.bin.orig.velmora-Zz9Yy8")));
    EXPECT_TRUE(fileExists(bench.dir.file("dump.bin.velmora-notours")));
    EXPECT_TRUE(fileExists(bench.dir.file("other.bin.velmora-a1B2c3")));
}

TEST(ReplacePicture, AnUnwritableFolderLeavesTheFirmwareAsItWas) {
    if (::geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
    Bench bench("dump.bin", mpeg2Picture(), false);
    bench.source("new.m2v", mpeg2Stream(4500));
    ASSERT_EQ(::chmod(bench.dir.path().c_str(), 0555), 0);
    ScriptedDialogs ui;
    EXPECT_FALSE(
        testing::toldDone(testing::replaceInSession(bench.session, ui, madeUp(noConversion)), ui));
    ::chmod(bench.dir.path().c_str(), 0755);
    expectOneBox(ui, "I/O error");
    EXPECT_NE(ui.boxes.back().text.find("dump.bin"), std::string::npos) << ui.boxes.back().text;
    bench.expectUnchanged();
}

TEST(ReplacePicture, AFirmwareChangedOrRemovedSinceTheAnalysisIsRefused) {
    struct Case {
        const char* what;
        bool swapped;
        void (*meddle)(const Bench&);
        const char* text;
    };
    const std::vector<Case> cases = {
        {"changed", false,
         [](const Bench& b) { (void)b.dir.write("dump.bin", Bytes(b.stored.size(), 0x11)); },
         "The firmware file was changed since it was opened. Open it again before replacing a "
         "picture."},
        {"removed", false, [](const Bench& b) { ::unlink(b.session.FirmwarePath.c_str()); },
         "The firmware file can no longer be found. Open it again before replacing a picture."},
        {"working copy of another dump", true,
         [](const Bench& b) { (void)b.dir.write(kWorkingCopy, Bytes(b.stored.size(), 0x22)); },
         "The working copy $tmp.bin of the byte-swapped firmware is missing or no longer matches "
         "the firmware file. Open the firmware again before replacing a picture."},
        {"working copy removed", true,
         [](const Bench& b) { ::unlink(b.session.workFile(kWorkingCopy).c_str()); },
         "The working copy $tmp.bin of the byte-swapped firmware is missing or no longer matches "
         "the firmware file. Open the firmware again before replacing a picture."},
    };
    for (const Case& c : cases) {
        Bench bench("dump.bin", mpeg2Picture(), c.swapped);
        bench.source("new.m2v", mpeg2Stream(4500));
        const Bytes before = bench.firmwareNow();
        c.meddle(bench);
        const bool firmwareGone = !fileExists(bench.session.FirmwarePath);
        const Bytes meddled = firmwareGone ? Bytes{} : bench.firmwareNow();
        ScriptedDialogs ui;
        ui.defaultAnswer = true;
        EXPECT_FALSE(testing::toldDone(
            testing::replaceInSession(bench.session, ui, madeUp(noConversion)), ui))
            << c.what;
        expectOneBox(ui, "ERROR!", c.text);
        EXPECT_TRUE(ui.lines.empty()) << c.what;
        EXPECT_EQ(fileExists(bench.session.FirmwarePath), !firmwareGone);
        if (!firmwareGone) {
            EXPECT_EQ(bench.firmwareNow(), meddled) << c.what;
        }
    }
}

// A person who, while the move question is open, lets another program write the firmware.
class MeddlingDialogs : public ScriptedDialogs {
  public:
    std::function<void()> meddle;
    Answer ask(Question question, const std::string& caption, const std::string& text) override {
        if (meddle) meddle();
        return ScriptedDialogs::ask(question, caption, text);
    }
};

TEST(ReplacePicture, AFirmwareChangedWhileTheReplacementRunsIsNotOverwritten) {
    for (const bool swapped : {false, true}) {
        Bench bench("dump.bin", mpeg2Picture(), swapped);
        bench.source("new.m2v", mpeg2Stream(4500));
        const Bytes other(bench.stored.size(), 0x33);
        MeddlingDialogs ui;
        ui.meddle = [&] { (void)bench.dir.write("dump.bin", other); };
        EXPECT_FALSE(testing::toldDone(
            testing::replaceInSession(bench.session, ui, madeUp(noConversion)), ui));
        expectOneBox(ui, "ERROR!",
                     "The firmware file was changed since it was opened. Open it again before "
                     "replacing a picture.");
        EXPECT_EQ(bench.firmwareNow(), other);
        if (swapped) {
            EXPECT_EQ(bench.workingNow(), bench.normalised);
        }
    }
}

TEST(ReplacePicture, AWorkingCopyChangedWhileTheReplacementRunsIsNotUsed) {
    Bench bench("dump.bin", mpeg2Picture(), true);
    bench.source("new.m2v", mpeg2Stream(4500));
    const Bytes other(bench.normalised.size(), 0x44);
    MeddlingDialogs ui;
    ui.meddle = [&] { (void)bench.dir.write(kWorkingCopy, other); };
    EXPECT_FALSE(
        testing::toldDone(testing::replaceInSession(bench.session, ui, madeUp(noConversion)), ui));
    expectOneBox(ui, "ERROR!",
                 "The working copy $tmp.bin of the byte-swapped firmware is missing or no longer "
                 "matches the firmware file. Open the firmware again before replacing a picture.");
    EXPECT_EQ(bench.firmwareNow(), bench.stored);
    EXPECT_EQ(bench.workingNow(), other);
}

TEST(ReplacePicture, AJpegSourceIsConvertedForTheRoomDecidedFirst) {
    if (!isJpegSource("photo.jpg")) GTEST_SKIP() << "the JPEG source test is not available yet";
    for (const bool move : {false, true}) {
        Bench bench("dump.bin", mpeg4Picture(false), false);
        bench.source("photo.jpg", Bytes{0xFF, 0xD8});
        const Bytes converted = mpeg4Stream(0x200);
        const std::string convertedPath = bench.dir.write("$jpg_res.m4v", converted);
        std::int32_t askedRoom = -1;
        const JpegConverter fake = [&](const ConversionInput&, Dialogs&, const PictureEntry&,
                                       std::int32_t room) -> Result<ConvertedStream> {
            askedRoom = room;
            return ConvertedStream{convertedPath, 10};
        };
        ScriptedDialogs ui;
        ui.answers = {move};
        ASSERT_TRUE(
            testing::toldDone(testing::replaceInSession(bench.session, ui, madeUp(fake)), ui))
            << ui.logText();
        EXPECT_EQ(askedRoom, move ? kFreeSize - 9 : 0x400);
        const Bytes now = bench.firmwareNow();
        const std::int64_t chunk = move ? kFreeAddr : mpeg4Picture(false).Start;
        EXPECT_EQ(slice(now, chunk + 8, static_cast<std::int64_t>(converted.size()) - 10),
                  slice(converted, 10, static_cast<std::int64_t>(converted.size()) - 10));
    }
}

TEST(ReplacePicture, AnEmptyConvertedStreamIsRefused) {
    if (!isJpegSource("photo.jpg")) GTEST_SKIP() << "the JPEG source test is not available yet";
    for (const PictureEntry& e : {mpeg2Picture(), mpeg4Picture(false)}) {
        Bench bench("dump.bin", e, false);
        bench.source("photo.jpg", Bytes{0xFF, 0xD8});
        const std::string empty = bench.dir.write("$jpg_res.m2v", Bytes{});
        const JpegConverter encoderFailed = [&](const ConversionInput&, Dialogs&,
                                                const PictureEntry&,
                                                std::int32_t) -> Result<ConvertedStream> {
            return ConvertedStream{empty, 0};
        };
        ScriptedDialogs ui;
        EXPECT_FALSE(testing::toldDone(
            testing::replaceInSession(bench.session, ui, madeUp(encoderFailed)), ui));
        expectOneBox(ui, "ERROR!", "The file do not contain any video!");
        EXPECT_EQ(ui.lines.back(), "ERROR! The file do not contain any video!");
        bench.expectUnchanged();
    }
}

TEST(ReplacePicture, AFailedConversionWritesNothing) {
    if (!isJpegSource("photo.JPEG")) GTEST_SKIP() << "the JPEG source test is not available yet";
    Bench bench("dump.bin", mpeg2Picture(), false);
    bench.source("photo.JPEG", Bytes{0xFF, 0xD8});
    const JpegConverter failing = [](const ConversionInput&, Dialogs&, const PictureEntry&,
                                     std::int32_t) -> Result<ConvertedStream> {
        return Outcome::refused("Error!", "Error with target file creation!");
    };
    ScriptedDialogs ui;
    EXPECT_FALSE(
        testing::toldDone(testing::replaceInSession(bench.session, ui, madeUp(failing)), ui));
    EXPECT_FALSE(ui.hasLine("Replacing the picture..."));
    bench.expectUnchanged();
}

}  // namespace
}  // namespace velmora
