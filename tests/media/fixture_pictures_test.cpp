// SPDX-License-Identifier: GPL-3.0-or-later
// Every picture of the standard fixture firmware, as the real analysis lists
// it, is saved and decoded to the size the analysis reports, from the plain
// and from the byte-swapped dump.
#include <gtest/gtest.h>

#include "catalogue/analysis.h"
#include "firmware/file_io.h"
#include "media/picture_actions.h"
#include "tests/fixtures/standard_fixtures.h"
#include "tests/media/real_streams.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/temp_dir.h"

namespace velmora {
namespace {

using testing::ScriptedDialogs;

class RecordingPreview : public PreviewSink {
  public:
    std::vector<PreviewPicture> shown;
    void showPreview(const PreviewPicture& picture) override { shown.push_back(picture); }
};

TEST(FixturePictures, EveryPictureExtractsAndDecodesToTheAnalysedSize) {
    if (!fileExists(joinPath(VELMORA_TOOL_DIR, "mpeg2decode")))
        GTEST_SKIP() << "the mpeg2decode tool is not built";
    const fixtures::Fixture f = fixtures::standardFirmware();
    for (bool swapped : {false, true}) {
        SCOPED_TRACE(swapped ? "swapped dump" : "plain dump");
        testing::TempDir dir;
        Session session;
        session.TempDir = dir.path();
        session.ToolDir = VELMORA_TOOL_DIR;
        ScriptedDialogs ui;
        const std::string firmware =
            dir.write("fw.bin", swapped ? fixtures::byteSwapped(f.image) : f.image);
        ASSERT_TRUE(testing::foundPictures(analyzeFirmware(session, ui, firmware), session, ui));
        ASSERT_EQ(session.PictureCount, static_cast<int>(f.entries.size()));
        for (int i = 0; i < session.PictureCount; ++i) {
            SCOPED_TRACE("picture " + std::to_string(i + 1));
            const PictureEntry& entry = session.PictureTable[static_cast<std::size_t>(i)];
            session.SelectedPicture = i;
            const std::string saved = dir.file("picture" + std::to_string(i));
            ui.saveChoices.push_back(saved);
            (void)testing::toldDone(Savevideo1Click(session, ui), ui);
            const auto decoded = testing::decodeWithFfmpeg(saved);
            EXPECT_EQ(decoded.width, entry.Width);
            EXPECT_EQ(decoded.height, entry.Height);
            EXPECT_TRUE(decoded.frameDecoded);
            if (!entry.isMpeg2()) continue;
            RecordingPreview preview;
            (void)testing::toldDone(View1Click(session, ui, preview), ui);
            ASSERT_EQ(preview.shown.size(), 1u) << ui.logText();
            EXPECT_EQ(preview.shown[0].width, entry.Width);
            EXPECT_EQ(preview.shown[0].height, entry.Height);
            EXPECT_EQ(preview.shown[0].number, i + 1);
        }
        EXPECT_TRUE(ui.boxes.empty());
    }
}

}  // namespace
}  // namespace velmora
