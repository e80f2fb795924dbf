// SPDX-License-Identifier: GPL-3.0-or-later
// TMP naming a folder that does not exist, or a path under a regular file
// (which no one can create, not even root): analysis, conversion and
// replacement are I/O errors naming the work file, and nothing is written.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "catalogue/analysis.h"
#include "convert/jpeg_conversion.h"
#include "convert/source_intake.h"
#include "convert/work_dirs.h"
#include "firmware/io_error.h"
#include "firmware/work_file.h"
#include "media/picture_actions.h"
#include "rewrite/replace_picture.h"
#include "rewrite/replace_texts.h"
#include "tests/fixtures/fixture_streams.h"
#include "tests/fixtures/standard_fixtures.h"
#include "tests/reliability/bad_tools.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/session_replacement.h"
#include "tests/support/temp_dir.h"

namespace velmora {
namespace {

using testing::readFile;
using testing::ScriptedDialogs;
using testing::TempDir;

// The error boxes shown (the move question may come before them).
// The two unusable work folders, inside dir.
std::vector<std::string> badWorkFolders(const TempDir& dir) {
    const std::string file = dir.writeText("a file", "not a folder");
    return {dir.file("no such folder"), file + "/sub"};
}

TEST(BadWorkFolder, AnalysisOfASwappedDumpIsAnIoErrorNamingTheWorkingCopy) {
    TempDir dir;
    const std::string firmware =
        dir.write("dump.bin", fixtures::byteSwapped(fixtures::firmwareWithoutPictures().image));
    const auto before = readFile(firmware);
    for (const std::string& tmp : badWorkFolders(dir)) {
        SCOPED_TRACE(tmp);
        Session session;
        session.TempDir = tmp;
        ScriptedDialogs ui;
        const Outcome analysed = analyzeFirmware(session, ui, firmware);
        ASSERT_TRUE(analysed.is<IoFailure>());
        const std::string& text = analysed.get<IoFailure>().text;
        EXPECT_NE(text.find("$tmp.bin"), std::string::npos) << text;
        EXPECT_EQ(readFile(firmware), before);
    }
}

TEST(BadWorkFolder, ConversionIsAnIoErrorNamingAWorkFile) {
    TempDir dir;
    Session session;
    session.ToolDir = VELMORA_TOOL_DIR;
    session.SourcePath = fixtures::photoJpeg(64, 48);
    session.SourceOpened = true;
    PictureEntry entry;
    entry.Kind = 2;
    entry.Width = 720;
    entry.Height = 576;
    entry.FrameRate = 25.0;
    for (const std::string& tmp : badWorkFolders(dir)) {
        SCOPED_TRACE(tmp);
        session.TempDir = tmp;
        ScriptedDialogs ui;
        try {
            (void)convertJpegToStream(testing::conversionOf(session), ui, entry, 40000);
            ADD_FAILURE() << "no I/O error";
        } catch (const IoError& e) {
            EXPECT_NE(std::string(e.what()).find(tmp), std::string::npos) << e.what();
        }
    }
}

TEST(BadWorkFolder, ReplacementShowsOneIoErrorBoxAndWritesNothing) {
    TempDir dir;
    const fixtures::Fixture fixture = fixtures::standardFirmware();
    const std::string plain = dir.write("plain.bin", fixture.image);
    const std::string swapped = dir.write("swapped.bin", fixtures::byteSwapped(fixture.image));
    const std::string stream = dir.write("new.m2v", fixtures::mpeg2Still(720, 576, false, 1500));
    struct Case {
        std::string firmware;
        std::string source;
        std::string caption;
        std::string text;  // "": the work folder's name
    };
    // A JPEG needs the work folder for its conversion; a swapped dump its
    // working copy there, which is then gone.
    for (const Case& c : {Case{plain, fixtures::photoJpeg(64, 48), "I/O error", ""},
                          Case{swapped, stream, "ERROR!", replace_text::kWorkingCopyStale}}) {
        for (const std::string& tmp : badWorkFolders(dir)) {
            SCOPED_TRACE(c.firmware + " " + c.source + " " + tmp);
            TempDir work;
            Session session;
            session.TempDir = work.path();
            session.ToolDir = VELMORA_TOOL_DIR;
            ScriptedDialogs analysisUi;
            ASSERT_TRUE(testing::foundPictures(analyzeFirmware(session, analysisUi, c.firmware),
                                               session, analysisUi));
            const auto before = readFile(c.firmware);
            session.TempDir = tmp;  // TMP went away after the analysis
            session.SelectedPicture = 0;
            session.SourcePath = c.source;
            session.SourceOpened = true;
            session.SourceAccepted.isJpeg = isJpegSource(c.source);
            ScriptedDialogs ui;
            EXPECT_FALSE(testing::toldDone(testing::replaceInSession(session, ui), ui));
            const auto errors = errorBoxes(ui);
            ASSERT_EQ(errors.size(), 1u) << ui.logText();
            EXPECT_EQ(errors[0].caption, c.caption);
            if (c.text.empty()) {
                EXPECT_NE(errors[0].text.find(tmp), std::string::npos) << errors[0].text;
            } else {
                EXPECT_EQ(errors[0].text, c.text);
            }
            EXPECT_EQ(readFile(c.firmware), before);
        }
    }
}

class NoPreview : public PreviewSink {
  public:
    void showPreview(const PreviewPicture&) override { ADD_FAILURE() << "a picture was shown"; }
};

TEST(BadWorkFolder, ViewAndSaveTgaAreIoErrorsAndSaveNothing) {
    TempDir dir;
    const std::string firmware = dir.write("plain.bin", fixtures::standardFirmware().image);
    const auto before = readFile(firmware);
    for (const std::string& tmp : badWorkFolders(dir)) {
        SCOPED_TRACE(tmp);
        Session session;
        session.TempDir = dir.path();
        session.ToolDir = VELMORA_TOOL_DIR;
        ScriptedDialogs analysisUi;
        ASSERT_TRUE(testing::foundPictures(analyzeFirmware(session, analysisUi, firmware), session,
                                           analysisUi));
        session.TempDir = tmp;
        session.SelectedPicture = 0;
        ScriptedDialogs ui;
        ui.saveChoices.push_back(dir.file("saved"));
        NoPreview preview;
        EXPECT_TRUE(viewPicture(selectedPicture(session), preview).is<IoFailure>());
        EXPECT_TRUE(savePicture(selectedPicture(session), ui).is<IoFailure>());
        EXPECT_FALSE(std::filesystem::exists(dir.file("saved.tga")));
        EXPECT_EQ(readFile(firmware), before);
    }
}

// Restores an environment variable when the test ends.
class SavedVariable {
  public:
    explicit SavedVariable(const char* name) : name_(name) {
        if (const char* v = std::getenv(name)) value_ = v;
    }
    ~SavedVariable() {
        if (value_) {
            ::setenv(name_, value_->c_str(), 1);
        } else {
            ::unsetenv(name_);
        }
    }
    SavedVariable(const SavedVariable&) = delete;
    SavedVariable& operator=(const SavedVariable&) = delete;

  private:
    const char* name_;
    std::optional<std::string> value_;
};

TEST(BadWorkFolder, UnsetTmpFallsBackToTmpdirThenToSlashTmpNeverTheRoot) {
    const SavedVariable tmp("TMP"), tmpdir("TMPDIR");
    ::setenv("TMP", "/some/where", 1);
    EXPECT_EQ(chooseTempDir(), "/some/where") << "TMP stands as it is";
    ::unsetenv("TMP");
    ::setenv("TMPDIR", "/else/where", 1);
    EXPECT_EQ(chooseTempDir(), "/else/where");
    ::unsetenv("TMPDIR");
    // /tmp is shared by all users: the work goes to a private folder in it.
    const std::string own = "/tmp/velmora-" + std::to_string(::geteuid());
    EXPECT_EQ(chooseTempDir(), own);
    ::setenv("TMP", "", 1);
    EXPECT_EQ(chooseTempDir(), own) << "an empty TMP is no folder";
}

TEST(SharedWorkFolder, APrivateFolderIsMadeAndUsedOnlyWhenOthersMayWrite) {
    TempDir dir;
    EXPECT_EQ(workFolderIn(dir.path()), dir.path())
        << "a folder of the user's own is used as it is";
    const std::string shared = dir.file("shared");
    ASSERT_EQ(::mkdir(shared.c_str(), 0777), 0);
    ASSERT_EQ(::chmod(shared.c_str(), 01777), 0);
    const std::string own = shared + "/velmora-" + std::to_string(::geteuid());
    EXPECT_EQ(workFolderIn(shared), own);
    struct stat st {};
    ASSERT_EQ(::lstat(own.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_EQ(workFolderIn(shared), own) << "found again";

    // The name taken by a link (planted by someone else) is not used.
    const std::string other = dir.file("other");
    ASSERT_EQ(::mkdir(other.c_str(), 01777), 0);
    ASSERT_EQ(::chmod(other.c_str(), 01777), 0);
    const std::string planted = other + "/velmora-" + std::to_string(::geteuid());
    ASSERT_EQ(::symlink(dir.path().c_str(), planted.c_str()), 0);
    const std::string chosen = workFolderIn(other);
    EXPECT_NE(chosen, planted);
    EXPECT_EQ(chosen.rfind(planted + "-", 0), 0u) << chosen;
    ASSERT_EQ(::lstat(chosen.c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST(SharedWorkFolder, AWorkFileIsNeverWrittenThroughALink) {
    TempDir dir;
    const std::string victim = dir.writeText("victim.txt", "keep\n");
    const std::string work = dir.file("$convert.bat");
    ASSERT_EQ(::symlink(victim.c_str(), work.c_str()), 0);
    writeWorkFile(work, std::vector<std::uint8_t>{'n', 'e', 'w'});
    EXPECT_EQ(readFile(victim), (std::vector<std::uint8_t>{'k', 'e', 'e', 'p', '\n'}));
    EXPECT_EQ(readFile(work), (std::vector<std::uint8_t>{'n', 'e', 'w'}));
    struct stat st {};
    ASSERT_EQ(::lstat(work.c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
}

}  // namespace
}  // namespace velmora
