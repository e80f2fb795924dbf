// SPDX-License-Identifier: GPL-3.0-or-later
// Conversion tools that crash, write garbage or write nothing, and a tool
// folder that is not there: a JPEG replacement then ends with one clear box
// and leaves the firmware and its working copy exactly as they were.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "catalogue/analysis.h"
#include "rewrite/replace_picture.h"
#include "tests/fixtures/fixture_streams.h"
#include "tests/fixtures/standard_fixtures.h"
#include "tests/reliability/bad_tools.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/session_replacement.h"
#include "tests/support/temp_dir.h"

namespace velmora {
namespace {

using testing::BadToolFolder;
using testing::Misbehaviour;
using testing::readFile;
using testing::ScriptedDialogs;
using testing::TempDir;

std::set<std::string> namesIn(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder))
        names.insert(e.path().filename().string());
    return names;
}

// A byte-swapped dump (so that $tmp.bin exists) analysed into a session,
// with the JPEG photo accepted as the replacement source.
struct SwappedDumpSession {
    TempDir firmwareDir;
    TempDir workDir;
    std::string firmware;
    fixtures::Bytes storedBefore;
    fixtures::Bytes workingBefore;
    Session session;

    explicit SwappedDumpSession(int picture) {
        firmware = firmwareDir.write("dump.bin",
                                     fixtures::byteSwapped(fixtures::standardFirmware().image));
        session.TempDir = workDir.path();
        session.ToolDir = VELMORA_TOOL_DIR;
        ScriptedDialogs analysisUi;
        if (!testing::foundPictures(analyzeFirmware(session, analysisUi, firmware), session,
                                    analysisUi))
            throw std::runtime_error("the standard firmware did not analyse");
        storedBefore = readFile(firmware);
        workingBefore = readFile(session.workFile("$tmp.bin"));
        session.SelectedPicture = picture;
        session.SourcePath = fixtures::photoJpeg(640, 480);
        session.SourceOpened = true;
        session.SourceAccepted.isJpeg = true;
    }

    void expectUnchanged() const {
        EXPECT_EQ(readFile(firmware), storedBefore) << "the firmware was changed";
        EXPECT_EQ(readFile(session.workFile("$tmp.bin")), workingBefore)
            << "the working copy was changed";
        EXPECT_EQ(namesIn(firmwareDir.path()), std::set<std::string>{"dump.bin"})
            << "something was left beside the firmware";
    }
};

// The error boxes shown (the move question may come before them).
struct ToolCase {
    const char* tool;
    Misbehaviour how;
    int picture;  // 0: MPEG-2, 2: MPEG-4 of the standard firmware
    const char* caption;
    const char* text;
};

constexpr const char* kNoTarget = "Error with target file creation!";
constexpr const char* kNoVideo = "The file do not contain any video!";

const ToolCase kToolCases[] = {
    {"pvw32con", Misbehaviour::Crashes, 0, "Error!", kNoTarget},
    {"pvw32con", Misbehaviour::WritesGarbage, 0, "Error!", kNoTarget},
    {"jpeg2yuv", Misbehaviour::WritesNothing, 0, "Error!", kNoTarget},
    {"mpeg2enc", Misbehaviour::Crashes, 0, "Error!", kNoTarget},
    {"mpeg2enc", Misbehaviour::WritesNothing, 0, "Error!", kNoTarget},
    {"mpeg2enc", Misbehaviour::WritesGarbage, 0, "ERROR!", kNoVideo},
    {"yuvscaler", Misbehaviour::Crashes, 2, "Error!", kNoTarget},
    {"pixmend", Misbehaviour::WritesGarbage, 2, "Error!", kNoTarget},
    {"xvid_encraw", Misbehaviour::Crashes, 2, "Error!", kNoTarget},
    {"xvid_encraw", Misbehaviour::WritesGarbage, 2, "ERROR!", kNoVideo},
};

TEST(BadTools, AJpegReplacementEndsWithOneBoxAndChangesNoFile) {
    if (!testing::haveRealTools()) GTEST_SKIP() << "the tools are not built in " VELMORA_TOOL_DIR;
    for (const ToolCase& c : kToolCases) {
        SCOPED_TRACE(std::string(c.tool) + " " + testing::nameOf(c.how));
        SwappedDumpSession run(c.picture);
        TempDir toolsDir;
        const BadToolFolder tools(toolsDir.file("tools"), c.tool, c.how);
        run.session.ToolDir = tools.path();
        ScriptedDialogs ui;
        EXPECT_FALSE(testing::toldDone(testing::replaceInSession(run.session, ui), ui));
        const auto errors = errorBoxes(ui);
        ASSERT_EQ(errors.size(), 1u) << ui.logText();
        EXPECT_EQ(errors[0].kind, "error");
        EXPECT_EQ(errors[0].caption, c.caption);
        EXPECT_EQ(errors[0].text, c.text);
        EXPECT_FALSE(ui.hasLine("Replacing the picture...")) << ui.logText();
        run.expectUnchanged();
    }
}

TEST(BadTools, AMissingToolFolderEndsWithOneBoxAndChangesNoFile) {
    for (const int picture : {0, 2}) {
        SwappedDumpSession run(picture);
        run.session.ToolDir = run.workDir.file("no such tools");
        ScriptedDialogs ui;
        EXPECT_FALSE(testing::toldDone(testing::replaceInSession(run.session, ui), ui));
        const auto errors = errorBoxes(ui);
        ASSERT_EQ(errors.size(), 1u) << ui.logText();
        EXPECT_EQ(errors[0].caption, "Error!");
        EXPECT_EQ(errors[0].text, kNoTarget);
        run.expectUnchanged();
    }
}

// The box stays as it was; the log says which program is not there and where
// it was looked for.
TEST(BadTools, AMissingEncoderIsNamedWithWhereItWasLookedFor) {
    SwappedDumpSession run(2);
    run.session.ToolDir = run.workDir.file("no such tools");
    ScriptedDialogs ui;
    EXPECT_FALSE(testing::toldDone(testing::replaceInSession(run.session, ui), ui));
    const auto errors = errorBoxes(ui);
    ASSERT_EQ(errors.size(), 1u) << ui.logText();
    EXPECT_EQ(errors[0].text, kNoTarget);
    EXPECT_TRUE(ui.hasLine("The program xvid_encraw was not found: it was looked for in " +
                           run.session.ToolDir + "."))
        << ui.logText();
    run.expectUnchanged();
}

}  // namespace
}  // namespace velmora
