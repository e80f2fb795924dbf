// SPDX-License-Identifier: GPL-3.0-or-later
// A decoder that crashes, writes garbage or writes nothing: the preview and
// "Save TGA picture" say so and save nothing that looks like a picture.
#include <gtest/gtest.h>

#include <string>

#include "catalogue/analysis.h"
#include "media/picture_actions.h"
#include "tests/fixtures/standard_fixtures.h"
#include "tests/reliability/bad_tools.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/temp_dir.h"

namespace velmora {
namespace {

using testing::BadToolFolder;
using testing::Misbehaviour;
using testing::readFile;
using testing::ScriptedDialogs;
using testing::TempDir;

class NoPreview : public PreviewSink {
  public:
    int shown = 0;
    void showPreview(const PreviewPicture&) override { ++shown; }
};

constexpr Misbehaviour kDecoderFaults[] = {Misbehaviour::Crashes, Misbehaviour::WritesGarbage,
                                           Misbehaviour::WritesNothing};

struct DecoderRun {
    TempDir dir;
    std::string firmware;
    fixtures::Bytes before;
    Session session;

    explicit DecoderRun(Misbehaviour how) {
        firmware = dir.write("dump.bin", fixtures::byteSwapped(fixtures::standardFirmware().image));
        session.TempDir = dir.path();
        ScriptedDialogs analysisUi;
        if (!testing::foundPictures(analyzeFirmware(session, analysisUi, firmware), session,
                                    analysisUi))
            throw std::runtime_error("the standard firmware did not analyse");
        before = readFile(firmware);
        session.ToolDir = BadToolFolder(dir.file("tools"), "mpeg2decode", how).path();
        session.SelectedPicture = 0;  // MPEG-2
    }
};

TEST(BadDecoder, PreviewShowsTheLoadErrorAndNoPicture) {
    if (!testing::haveRealTools()) GTEST_SKIP() << "the tools are not built in " VELMORA_TOOL_DIR;
    for (const Misbehaviour how : kDecoderFaults) {
        SCOPED_TRACE(testing::nameOf(how));
        DecoderRun run(how);
        ScriptedDialogs ui;
        NoPreview preview;
        (void)testing::toldDone(View1Click(run.session, ui, preview), ui);
        EXPECT_EQ(preview.shown, 0);
        ASSERT_EQ(ui.boxes.size(), 1u);
        EXPECT_EQ(ui.boxes[0].caption, "Error!");
        EXPECT_EQ(ui.boxes[0].text, "Error with loading TGA image!");
        EXPECT_EQ(readFile(run.firmware), run.before);
    }
}

TEST(BadDecoder, SaveTgaSaysSoAndLeavesNoFileThatIsNoPicture) {
    if (!testing::haveRealTools()) GTEST_SKIP() << "the tools are not built in " VELMORA_TOOL_DIR;
    for (const Misbehaviour how : kDecoderFaults) {
        SCOPED_TRACE(testing::nameOf(how));
        DecoderRun run(how);
        TempDir user;
        const std::string older = user.write("saved.tga", {1, 2, 3});
        ScriptedDialogs ui;
        ui.saveChoices.push_back(user.file("saved"));
        ui.answers = {true};  // yes, replace saved.tga
        (void)testing::toldDone(Savepicture1Click(run.session, ui), ui);
        ASSERT_EQ(ui.boxes.size(), 2u);
        EXPECT_EQ(ui.boxes[1].caption, "Error!");
        EXPECT_EQ(ui.boxes[1].text, "Error with decoding the MPEG2 picture!");
        EXPECT_FALSE(ui.hasLine("Original TGA picture #1 saved.")) << ui.logText();
        EXPECT_EQ(readFile(older), (fixtures::Bytes{1, 2, 3})) << "an older file was replaced";
        EXPECT_EQ(readFile(run.firmware), run.before);
    }
}

}  // namespace
}  // namespace velmora
