// SPDX-License-Identifier: GPL-3.0-or-later
// The replacement never surprises the user's file: a question closed without
// an answer, a read-only file, a backup that cannot be made, a result that
// fails its checks, a No at the last look all leave it as it was.
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "catalogue/analysis.h"
#include "firmware/byte_order.h"
#include "rewrite/replace_picture.h"
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

// The standard firmware, analysed, with a ready-made stream for picture n.
struct FirmwareRun {
    TempDir dir;
    Session session;
    Bytes stored;

    explicit FirmwareRun(int picture, Bytes stream = fixtures::mpeg2Still(352, 288, false, 2000),
                         const std::string& name = "dump.bin") {
        stored = fixtures::standardFirmware().image;
        session.TempDir = dir.path();
        ScriptedDialogs quiet;
        EXPECT_TRUE(analyzeFirmware(session, quiet, dir.write(name, stored)).isDone());
        session.SelectedPicture = picture;
        session.SourcePath = dir.write("new.m2v", stream);
        session.SourceOpened = true;
    }
    [[nodiscard]] bool unchanged() const { return readFile(session.FirmwarePath) == stored; }
    [[nodiscard]] bool backupMade() const {
        struct stat st {};
        return ::lstat((session.FirmwarePath + ".orig").c_str(), &st) == 0 && S_ISREG(st.st_mode);
    }
};

class LastLook : public ScriptedDialogs {
  public:
    Answer answer = Answer::Yes;
    std::vector<PendingReplacement> seen;
    Answer approveReplacement(const PendingReplacement& pending) override {
        seen.push_back(pending);
        return answer;
    }
};

TEST(ReplaceTrust, ClosingAnyQuestionCancelsTheWholeReplacement) {
    {
        FirmwareRun run(
            1);  // its records are known and the free area is larger: the move is offered
        ScriptedDialogs ui;
        ui.closeOn = Question::MovePicture;
        const Outcome outcome = testing::replaceInSession(run.session, ui);
        EXPECT_TRUE(outcome.is<Cancelled>());
        EXPECT_FALSE(testing::toldDone(outcome, ui));
        EXPECT_EQ(ui.lines, std::vector<std::string>{"Cancelled."});
        EXPECT_TRUE(run.unchanged()) << "Escape on \"Move picture?\" is not No";
        EXPECT_FALSE(run.backupMade());
    }
    {
        Bytes larger = fixtures::mpeg2Still(352, 288, false, 2000);
        larger.resize(larger.size() + 60000, 0x00);  // more than the picture's room
        FirmwareRun run(0, larger);
        ScriptedDialogs ui;
        ui.closeOn = Question::Confirmation;
        const Outcome outcome = testing::replaceInSession(run.session, ui);
        EXPECT_TRUE(outcome.is<Cancelled>());
        EXPECT_TRUE(run.unchanged());
    }
}

TEST(ReplaceTrust, ARealStreamOfTheOtherKindIsRefusedAndWritesNothing) {
    Bytes mpeg4 = {0x00, 0x00, 0x01, 0xB0, 0xF5, 0x00, 0x00, 0x01, 0xB5, 0x09};
    const Bytes still = fixtures::mpeg4Still(352, 288);
    mpeg4.insert(mpeg4.end(), still.begin(), still.end());
    for (const auto& [picture, stream] :
         {std::pair<int, Bytes>{1, mpeg4}, {2, fixtures::mpeg2Still(352, 288, false, 2000)}}) {
        FirmwareRun run(picture, stream);
        ScriptedDialogs ui;
        const Outcome outcome = testing::replaceInSession(run.session, ui);
        ASSERT_TRUE(outcome.is<Refused>()) << picture;
        EXPECT_NE(outcome.get<Refused>().text.find(picture == 1 ? "not an MPEG2 stream"
                                                                : "not an MPEG4 stream"),
                  std::string::npos);
        EXPECT_TRUE(run.unchanged());
    }
}

TEST(ReplaceTrust, AReadOnlyFirmwareIsRefusedBeforeAnyQuestionEvenForRoot) {
    FirmwareRun run(1);
    ASSERT_EQ(::chmod(run.session.FirmwarePath.c_str(), 0444), 0);
    ScriptedDialogs ui;
    ui.defaultAnswer = true;
    const Outcome outcome = testing::replaceInSession(run.session, ui);
    ASSERT_TRUE(outcome.is<Refused>());
    EXPECT_EQ(outcome.get<Refused>().caption, "ERROR!");
    EXPECT_NE(outcome.get<Refused>().text.find("dump.bin is read-only"), std::string::npos);
    EXPECT_TRUE(ui.questions.empty());
    EXPECT_TRUE(run.unchanged());
    struct stat st {};
    ASSERT_EQ(::stat(run.session.FirmwarePath.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0444u);
}

TEST(ReplaceTrust, AReplacedFileKeepsItsPermissionBitsAndGroup) {
    FirmwareRun run(1);
    const std::string& fw = run.session.FirmwarePath;
    ASSERT_EQ(::chmod(fw.c_str(), 0640), 0);
    // Another group than the one a new file would get, where the user may set it.
    const gid_t other = ::getegid() == 65534 ? 0 : 65534;
    const bool groupSet = ::chown(fw.c_str(), static_cast<uid_t>(-1), other) == 0;
    ScriptedDialogs ui;
    ASSERT_TRUE(testing::replaceInSession(run.session, ui).isDone()) << ui.logText();
    EXPECT_FALSE(run.unchanged());
    struct stat st {};
    ASSERT_EQ(::stat(fw.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    if (groupSet) {
        EXPECT_EQ(st.st_gid, other);
    }
}

TEST(ReplaceTrust, AnOriginalThatCannotBeKeptIsAskedAbout) {
    for (const auto answer : {Answer::No, Answer::Cancelled, Answer::Yes}) {
        FirmwareRun run(1);
        ASSERT_EQ(::mkdir((run.session.FirmwarePath + ".orig").c_str(), 0755), 0);
        ScriptedDialogs ui;
        ui.answers = {false, answer == Answer::Yes};  // stay in place; then the backup question
        if (answer == Answer::Cancelled) ui.closeOn = Question::ReplaceWithoutBackup;
        const Outcome outcome = testing::replaceInSession(run.session, ui);
        ASSERT_EQ(ui.questions.size(), 2u);
        EXPECT_EQ(ui.questions[1], Question::ReplaceWithoutBackup);
        EXPECT_EQ(ui.boxes[1].text,
                  "The original cannot be kept as dump.bin.orig. Replace without a backup?");
        EXPECT_EQ(run.unchanged(), answer != Answer::Yes);
        if (answer == Answer::No) {
            ASSERT_TRUE(outcome.is<Refused>());
            EXPECT_NE(outcome.get<Refused>().text.find("Nothing was written."), std::string::npos);
        }
        EXPECT_EQ(outcome.is<Cancelled>(), answer == Answer::Cancelled);
        EXPECT_EQ(outcome.isDone(), answer == Answer::Yes);
    }
}

TEST(ReplaceTrust, AFailedCheckIsAnErrorBoxNamingItAndWritesNothing) {
    // A stream whose headers promise a picture it does not hold.
    Bytes broken = fixtures::mpeg2Still(352, 288, false, 2000);
    const Bytes pictureStart{0x00, 0x00, 0x01, 0x00};
    broken.erase(
        std::search(broken.begin(), broken.end(), pictureStart.begin(), pictureStart.end()),
        broken.end());
    broken.insert(broken.end(), {0x00, 0x00, 0x01, 0xB7});
    FirmwareRun run(1, broken);
    LastLook ui;
    const Outcome outcome = testing::replaceInSession(run.session, ui);
    ASSERT_TRUE(outcome.is<VerificationFailed>());
    EXPECT_EQ(outcome.get<VerificationFailed>().check, "decoding");
    EXPECT_FALSE(testing::toldDone(outcome, ui));
    ASSERT_EQ(ui.boxes.back().kind, "error");
    EXPECT_EQ(ui.boxes.back().caption, "ERROR!");
    EXPECT_NE(ui.boxes.back().text.find("the check of the decoding"), std::string::npos);
    EXPECT_TRUE(ui.seen.empty()) << "the last look comes after the checks";
    EXPECT_FALSE(ui.hasLine("Replacing the picture..."))
        << "no line of a write that did not happen";
    EXPECT_TRUE(run.unchanged());
    EXPECT_FALSE(run.backupMade());
}

TEST(ReplaceTrust, TheLastLookSeesTheRegionsAndItsNoWritesNothing) {
    for (const auto answer : {Answer::No, Answer::Cancelled}) {
        FirmwareRun run(1);
        LastLook ui;
        ui.answer = answer;
        const Outcome outcome = testing::replaceInSession(run.session, ui);
        EXPECT_EQ(outcome.is<Declined>(), answer == Answer::No);
        EXPECT_EQ(outcome.is<Cancelled>(), answer == Answer::Cancelled);
        ASSERT_EQ(ui.seen.size(), 1u);
        EXPECT_EQ(ui.seen[0].number, 2);
        EXPECT_EQ(ui.seen[0].kind, kKindMpeg2);
        EXPECT_FALSE(ui.seen[0].regions.empty());
        EXPECT_EQ(ui.seen[0].stream, fixtures::mpeg2Still(352, 288, false, 2000));
        EXPECT_TRUE(run.unchanged());
        EXPECT_FALSE(run.backupMade());
    }
}

}  // namespace
}  // namespace velmora
