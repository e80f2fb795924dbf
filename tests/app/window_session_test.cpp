// SPDX-License-Identifier: GPL-3.0-or-later
// The enabled states through a whole work session, over a fake core.
#include <gtest/gtest.h>
#include <QCheckBox>
#include <QGroupBox>
#include <QPushButton>
#include <QTableWidget>

#include "catalogue/analysis.h"
#include "firmware/file_io.h"
#include "tests/app/window_harness.h"
#include "tests/support/temp_dir.h"

namespace velmora::testing {
namespace {

//                                 open  grid  image replace spare colour orient
constexpr EnabledStates kStartUp{true, false, false, false, false, false, false};

class WindowSessionTest : public ::testing::Test {
  protected:
    WindowHarness h;
    TForm1& form() { return *h.form; }

    void analyse(std::vector<PictureEntry> pictures, const std::string& path = "/fw/dump.bin") {
        h.fake.pictures = std::move(pictures);
        h.ui->openChoices.push_back(path);
        form().BitBtn1->click();
    }
    void acceptSource(bool jpeg, const std::string& caption) {
        h.fake.nextSource = AcceptedSource{caption, jpeg};
        h.ui->openChoices.push_back(jpeg ? "/p/photo.jpg" : "/p/clip.m2v");
        form().Button1Click();
    }
};

TEST_F(WindowSessionTest, StatesFollowTheWorkFromStartUpToCancel) {
    EXPECT_EQ(enabledStates(form()), kStartUp);

    analyse({pictureOfKind(kKindMpeg2, 0x1000), pictureOfKind(kKindMpeg4, 0x8000)});
    EXPECT_EQ(enabledStates(form()), (EnabledStates{true, true, true, false, false, false, false}))
        << "pictures found, no source yet";
    EXPECT_EQ(h.ui->openFilters.back(), kFirmwareFilter);

    acceptSource(true, "JPEG 720x576: photo.jpg");
    EXPECT_EQ(enabledStates(form()), (EnabledStates{true, true, true, true, true, true, true}));
    EXPECT_EQ(form().Panel1->text(), QStringLiteral("JPEG 720x576: photo.jpg"));

    analyse({});
    EXPECT_EQ(enabledStates(form()), (EnabledStates{true, false, true, false, false, true, true}))
        << "no pictures: grid and replace off, image button and groups unchanged";

    h.ui->openChoices.push_back(std::nullopt);
    form().BitBtn1->click();
    EXPECT_EQ(enabledStates(form()), (EnabledStates{true, false, false, false, false, true, true}))
        << "a cancel follows the last analysis: no pictures, no image button";
    EXPECT_EQ(h.fake.analyses, 2);
}

TEST_F(WindowSessionTest, AnalysisAfterAnAcceptedSourceEnablesReplace) {
    analyse({pictureOfKind(kKindMpeg2, 0x1000)});
    acceptSource(false, "MPEG file: clip.m2v");
    EXPECT_EQ(enabledStates(form()), (EnabledStates{true, true, true, true, true, false, false}))
        << "a ready stream leaves the option groups off";
    analyse({});
    analyse({pictureOfKind(kKindMpeg4, 0x2000)});
    EXPECT_EQ(enabledStates(form()), (EnabledStates{true, true, true, true, true, false, false}));
}

TEST_F(WindowSessionTest, CancelBeforeAnyAnalysisChangesNothing) {
    h.ui->openChoices.push_back(std::nullopt);
    form().BitBtn1->click();
    EXPECT_EQ(enabledStates(form()), kStartUp);
    EXPECT_EQ(h.fake.analyses, 0);
    EXPECT_TRUE(form().Panel2->text().isEmpty());
}

TEST_F(WindowSessionTest, AnalysisFillsPanelGridAndSelectsTheFirstRow) {
    analyse({pictureOfKind(kKindMpeg2, 0x10), pictureOfKind(kKindMpeg4, 0x20),
             pictureOfKind(kKindMpeg2, 0x30)},
            "/some/where/dump.bin");
    EXPECT_EQ(form().Panel2->text(), QStringLiteral("dump.bin"));
    QTableWidget* grid = form().StringGrid1;
    ASSERT_EQ(grid->rowCount(), 3);
    for (int r = 0; r < 3; ++r) {
        EXPECT_EQ(grid->item(r, 0)->text(), QString::number(r + 1));
        EXPECT_EQ(grid->item(r, 2)->text(), QStringLiteral("0x%1").arg((r + 1) * 16));
        EXPECT_EQ(grid->rowHeight(r), 15);
    }
    EXPECT_EQ(grid->currentRow(), 0);
    EXPECT_TRUE(grid->selectionModel()->isRowSelected(0, {}));
    EXPECT_EQ(form().session().SelectedPicture, 0);

    // A later analysis with fewer pictures leaves no old rows behind.
    grid->setCurrentCell(2, 0);
    EXPECT_EQ(form().session().SelectedPicture, 2);
    analyse({pictureOfKind(kKindMpeg4, 0x40)});
    EXPECT_EQ(grid->rowCount(), 1);
    EXPECT_EQ(form().session().SelectedPicture, 0);
    analyse({});
    EXPECT_EQ(grid->rowCount(), 1);
    EXPECT_EQ(grid->item(0, 0), nullptr);
}

TEST_F(WindowSessionTest, CommandsAreDisabledWhileAnAnalysisRuns) {
    acceptSource(true, "JPEG 1x1: a.jpg");  // not possible before pictures, but makes replace on
    analyse({pictureOfKind(kKindMpeg2, 0x10)});
    ASSERT_TRUE(form().BitBtn3->isEnabled());
    std::optional<EnabledStates> during;
    int openSourcesDuring = 0;
    QString cancelCaptionDuring;
    h.fake.duringAnalysis = [&] {
        during = enabledStates(form());
        cancelCaptionDuring = form().BitBtn3->text();
        EXPECT_TRUE(form().busy());
        const std::size_t asked = h.ui->openFilters.size();
        form().Button1Click();  // a click that slipped through is ignored
        form().Button3Click();
        openSourcesDuring = static_cast<int>(h.ui->openFilters.size() - asked);
    };
    analyse({pictureOfKind(kKindMpeg2, 0x10)});
    ASSERT_TRUE(during.has_value());
    EXPECT_FALSE(during->openFirmware);
    EXPECT_FALSE(during->grid);
    EXPECT_FALSE(during->openImage);
    EXPECT_TRUE(during->replaceImage) << "it is the Cancel button meanwhile";
    EXPECT_EQ(cancelCaptionDuring, QStringLiteral("Cancel"));
    EXPECT_EQ(form().BitBtn3->text(), QStringLiteral("Replace Image"));
    EXPECT_EQ(openSourcesDuring, 0);
    EXPECT_EQ(h.fake.replaces, 0);
    EXPECT_FALSE(form().busy());
    EXPECT_EQ(enabledStates(form()), (EnabledStates{true, true, true, true, true, true, true}));
}

TEST_F(WindowSessionTest, ProgressReachesTheBarThroughTheDialogs) {
    analyse({pictureOfKind(kKindMpeg2, 0x10)});
    EXPECT_EQ(h.ui->progressValues, std::vector<int>{50});
    EXPECT_TRUE(h.ui->hasLine("Binary file loaded: /fw/dump.bin"));
}

TEST_F(WindowSessionTest, FailedReadShowsTheIoErrorBoxAndKeepsTheStates) {
    analyse({pictureOfKind(kKindMpeg2, 0x10)});
    const EnabledStates before = enabledStates(form());
    h.fake.ioErrorText = "Read past the end of dump.bin at offset 0x00000011";
    analyse({pictureOfKind(kKindMpeg2, 0x10)});
    ASSERT_EQ(h.ui->boxes.size(), 1u);
    EXPECT_EQ(h.ui->boxes[0].kind, "error");
    EXPECT_EQ(h.ui->boxes[0].caption, "I/O error");
    EXPECT_EQ(h.ui->boxes[0].text, h.fake.ioErrorText);
    EXPECT_FALSE(form().StringGrid1->isEnabled()) << "the analysis stopped with the grid off";
    EnabledStates expected = before;
    expected.grid = false;
    EXPECT_EQ(enabledStates(form()), expected);
    EXPECT_FALSE(form().busy());
}

TEST_F(WindowSessionTest, CloseDuringAnAnalysisAsksCancelsAndClosesAtItsEnd) {
    TempDir temp;
    form().session().TempDir = temp.path();
    form().show();
    bool workFileThereAfterClose = false;
    bool cancelAsked = false;
    h.ui->answers = {false, true};  // keep working the first time, cancel the second
    h.fake.duringAnalysis = [&] {
        static_cast<void>(temp.writeText("$tmp.bin", "copy"));
        form().close();
        EXPECT_TRUE(form().isVisible()) << "the person said No";
        EXPECT_FALSE(form().session().Control->cancelRequested());
        form().close();
        cancelAsked = form().session().Control->cancelRequested();
        workFileThereAfterClose = fileExists(temp.file("$tmp.bin"));
        EXPECT_TRUE(form().isVisible());
    };
    analyse({pictureOfKind(kKindMpeg2, 0x10)});
    ASSERT_EQ(h.ui->boxes.size(), 2u);
    EXPECT_EQ(h.ui->boxes[0].kind, "question");
    EXPECT_EQ(h.ui->boxes[0].caption, "Confirmation");
    EXPECT_TRUE(cancelAsked);
    EXPECT_TRUE(workFileThereAfterClose);
    EXPECT_FALSE(form().isVisible()) << "the close asked for meanwhile took effect";
    EXPECT_FALSE(fileExists(temp.file("$tmp.bin")));
}

}  // namespace
}  // namespace velmora::testing
