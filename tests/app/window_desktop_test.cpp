// SPDX-License-Identifier: GPL-3.0-or-later
// What a desktop user reaches for: keys, focus, dropped files, a larger window.
#include <gtest/gtest.h>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTest>
#include <QUrl>

#include "app/dropped_files.h"
#include "tests/app/window_harness.h"
#include "tests/support/temp_dir.h"

namespace velmora::testing {
namespace {

class WindowDesktopTest : public ::testing::Test {
  protected:
    WindowHarness h;
    TForm1& form() { return *h.form; }

    void SetUp() override { ASSERT_TRUE(showActive(form())); }
    void analyse(std::vector<PictureEntry> pictures) {
        h.fake.pictures = std::move(pictures);
        h.ui->openChoices.push_back("/fw/dump.bin");
        form().Button2Click();
    }
    // Drops one local file on the window, as a file manager does.
    bool drop(const QString& path) {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(path)});
        QDragEnterEvent enter(QPoint(200, 200), Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(&form(), &enter);
        if (!enter.isAccepted()) return false;
        QDropEvent dropped(QPointF(200, 200), Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(&form(), &dropped);
        return dropped.isAccepted();
    }
};

TEST_F(WindowDesktopTest, ShortcutsRunTheCommandsTheButtonsAllow) {
    QTest::keyClick(&form(), Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(h.ui->openFilters.size(), 1u) << "Ctrl+O opens the firmware dialog";
    QTest::keyClick(&form(), Qt::Key_I, Qt::ControlModifier);
    EXPECT_EQ(h.ui->openFilters.size(), 1u) << "Ctrl+I does nothing while the button is off";

    analyse({pictureOfKind(kKindMpeg2, 0x10), pictureOfKind(kKindMpeg4, 0x20)});
    h.fake.nextSource = AcceptedSource{"JPEG 1x1: a.jpg", true};
    h.ui->openChoices.push_back("/p/a.jpg");
    QTest::keyClick(&form(), Qt::Key_I, Qt::ControlModifier);
    EXPECT_EQ(form().Panel1->text(), QStringLiteral("JPEG 1x1: a.jpg"));
    QTest::keyClick(&form(), Qt::Key_R, Qt::ControlModifier);
    EXPECT_EQ(h.fake.replaces, 1);
    QTest::keyClick(&form(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(h.fake.videoSaves, 1);
    QTest::keyClick(&form(), Qt::Key_T, Qt::ControlModifier);
    EXPECT_EQ(h.fake.pictureSaves, 1);

    form().StringGrid1->setFocus();
    QTest::keyClick(form().StringGrid1, Qt::Key_Return);
    QTest::keyClick(form().StringGrid1, Qt::Key_Space);
    EXPECT_EQ(h.fake.views, 2) << "Enter and Space view the selected picture";

    const std::size_t boxes = h.ui->boxes.size();
    QTest::keyClick(&form(), Qt::Key_F1);
    ASSERT_EQ(h.ui->boxes.size(), boxes + 1);
    EXPECT_EQ(h.ui->boxes.back().caption, "About");

    QTest::keyClick(&form(), Qt::Key_Q, Qt::ControlModifier);
    EXPECT_FALSE(form().isVisible()) << "Ctrl+Q quits";
}

TEST_F(WindowDesktopTest, TabLeavesTheGridAndTheLog) {
    analyse({pictureOfKind(kKindMpeg2, 0x10), pictureOfKind(kKindMpeg2, 0x20)});
    form().StringGrid1->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_NE(QApplication::focusWidget(), form().StringGrid1);
    EXPECT_EQ(form().StringGrid1->currentRow(), 0) << "Tab did not walk the cells";
    form().Memo1->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_NE(QApplication::focusWidget(), form().Memo1);
    EXPECT_FALSE(form().Memo1->toPlainText().contains(QLatin1Char('\t')));
    const std::vector<QWidget*> controls = {
        form().BitBtn1,   form().BitBtn2,      form().BitBtn3, form().StringGrid1,
        form().CheckBox1, form().RadioButton1, form().Memo1};
    for (QWidget* control : controls)
        EXPECT_TRUE(control->focusPolicy() & Qt::TabFocus) << control->objectName().toStdString();
}

TEST_F(WindowDesktopTest, DroppedFirmwareOpensAndDroppedPictureBecomesTheSource) {
    EXPECT_FALSE(drop(QStringLiteral("/p/photo.jpg"))) << "no picture before a firmware";
    EXPECT_FALSE(drop(QStringLiteral("/p/notes.txt")));
    h.fake.pictures = {pictureOfKind(kKindMpeg2, 0x10)};
    EXPECT_TRUE(drop(QStringLiteral("/fw/Dump.ROM")));
    EXPECT_EQ(h.fake.analyses, 1);
    EXPECT_EQ(form().Panel2->text(), QStringLiteral("Dump.ROM"));
    EXPECT_TRUE(h.ui->openFilters.empty()) << "no file dialog was needed";

    h.fake.nextSource = AcceptedSource{"MPEG file: clip.m2v", false};
    EXPECT_TRUE(drop(QStringLiteral("/p/clip.m2v")));
    EXPECT_EQ(form().Panel1->text(), QStringLiteral("MPEG file: clip.m2v"));
    EXPECT_EQ(h.fake.acceptedPaths, std::vector<std::string>{"/p/clip.m2v"});
    EXPECT_TRUE(h.ui->openFilters.empty()) << "nor for the dropped source";
    EXPECT_TRUE(form().BitBtn3->isEnabled());
}

TEST(DroppedFiles, KindFollowsTheExtension) {
    EXPECT_EQ(droppedFileKind("/a/b.BIN"), DroppedFile::Firmware);
    EXPECT_EQ(droppedFileKind("x.img"), DroppedFile::Firmware);
    EXPECT_EQ(droppedFileKind("/a.jpg/photo.jpeg"), DroppedFile::ReplacementSource);
    EXPECT_EQ(droppedFileKind("/a.bin/readme"), DroppedFile::Other);
    EXPECT_EQ(droppedFileKind("clip.m4v.txt"), DroppedFile::Other);
}

TEST_F(WindowDesktopTest, GrownWindowGivesTheRoomToTheGridAndTheLog) {
    const QRect grid = form().StringGrid1->geometry();
    const QRect log = form().Memo1->geometry();
    const QPoint replace = form().BitBtn3->pos();
    form().resize(699, 699);
    EXPECT_EQ(form().StringGrid1->width(), grid.width() + 200);
    EXPECT_EQ(form().Memo1->width(), log.width() + 200);
    EXPECT_EQ(form().StringGrid1->height() + form().Memo1->height(),
              grid.height() + log.height() + 200);
    EXPECT_GT(form().StringGrid1->height(), grid.height());
    EXPECT_EQ(form().BitBtn3->pos(),
              replace + QPoint(0, form().StringGrid1->height() - grid.height()));
    EXPECT_EQ(form().Panel5->geometry().bottom(), 699 - 3) << "the status line stays at the bottom";
    form().resize(499, 499);
    EXPECT_EQ(form().StringGrid1->geometry(), grid);
    EXPECT_EQ(form().Memo1->geometry(), log);
}

TEST_F(WindowDesktopTest, FailedAnalysisAfterAGoodOneLeavesReplaceOff) {
    analyse({pictureOfKind(kKindMpeg2, 0x10)});
    h.fake.nextSource = AcceptedSource{"JPEG 1x1: a.jpg", true};
    h.ui->openChoices.push_back("/p/a.jpg");
    form().Button1Click();
    ASSERT_TRUE(form().BitBtn3->isEnabled());
    h.fake.ioErrorText = "Read past the end of empty.bin at offset 0x00000000";
    analyse({});
    EXPECT_FALSE(form().BitBtn3->isEnabled());
    EXPECT_FALSE(form().CheckBox1->isEnabled());
    const std::size_t boxes = h.ui->boxes.size();
    form().Button3Click();
    ASSERT_EQ(h.ui->boxes.size(), boxes + 1);
    EXPECT_EQ(h.ui->boxes.back().text, "No picture is selected.");
    EXPECT_EQ(h.fake.replaces, 0);
}

TEST_F(WindowDesktopTest, AnalysisEndsWithTheBarFull) {
    analyse({pictureOfKind(kKindMpeg2, 0x10)});
    EXPECT_EQ(form().ProgressBar1->value(), 100);
}

TEST_F(WindowDesktopTest, ReplacementIsFollowedByAnAnalysisOnTheSameRow) {
    analyse({pictureOfKind(kKindMpeg2, 0x10), pictureOfKind(kKindMpeg2, 0x20),
             pictureOfKind(kKindMpeg4, 0x30)});
    h.fake.nextSource = AcceptedSource{"MPEG file: clip.m2v", false};
    h.ui->openChoices.push_back("/p/clip.m2v");
    form().Button1Click();
    form().StringGrid1->setCurrentCell(1, 0);
    h.fake.pictures = {pictureOfKind(kKindMpeg2, 0x10), pictureOfKind(kKindMpeg2, 0x99),
                       pictureOfKind(kKindMpeg4, 0x30)};
    form().BitBtn3->click();
    EXPECT_EQ(h.fake.replaces, 1);
    EXPECT_EQ(h.fake.analyses, 2) << "analysed again after the replacement";
    EXPECT_EQ(form().StringGrid1->item(1, 2)->text(), QStringLiteral("0x153"));
    EXPECT_EQ(form().StringGrid1->currentRow(), 1);
    EXPECT_EQ(form().session().SelectedPicture, 1);
    EXPECT_TRUE(form().BitBtn3->isEnabled());
}

TEST_F(WindowDesktopTest, RecentFirmwareAndTheWindowsPlaceAreRemembered) {
    TempDir temp;
    const QString ini = QString::fromStdString(temp.file("settings.ini"));
    form().remember(std::make_unique<WindowMemory>(ini));
    h.fake.pictures = {pictureOfKind(kKindMpeg2, 0x10)};
    h.ui->openChoices.push_back("/fw/one.bin");
    form().Button2Click();
    form().openDroppedFile("/fw/two.img");
    QMenu* menu = form().recentMenu();
    ASSERT_EQ(menu->actions().size(), 2);
    EXPECT_EQ(menu->actions()[0]->text(), QStringLiteral("/fw/two.img"));
    menu->actions()[1]->trigger();
    EXPECT_EQ(h.fake.analyses, 3);
    EXPECT_EQ(form().Panel2->text(), QStringLiteral("one.bin"));

    form().resize(640, 560);
    form().close();
    WindowHarness later;
    later.form->remember(std::make_unique<WindowMemory>(ini));
    EXPECT_EQ(later.form->size(), QSize(640, 560));
    EXPECT_EQ(later.form->memory()->recentFirmware(),
              (QStringList{QStringLiteral("/fw/one.bin"), QStringLiteral("/fw/two.img")}));
}

TEST_F(WindowDesktopTest, TheEncoderAndFitChoicesReachTheReplacementAndAreRemembered) {
    // The built-in encoder and stretching, until the person chooses otherwise.
    EXPECT_EQ(form().optionsFromControls().Encoder, EncoderChoice::Builtin);
    EXPECT_EQ(form().optionsFromControls().Fit, FitMode::Stretch);
    TempDir temp;
    const QString ini = QString::fromStdString(temp.file("settings.ini"));
    form().remember(std::make_unique<WindowMemory>(ini));
    form().EncoderTools1->trigger();
    form().FitInside1->trigger();
    EXPECT_EQ(form().optionsFromControls().Encoder, EncoderChoice::Tools);
    EXPECT_EQ(form().optionsFromControls().Fit, FitMode::Fit);
    form().close();
    WindowHarness later;
    later.form->remember(std::make_unique<WindowMemory>(ini));
    EXPECT_TRUE(later.form->EncoderTools1->isChecked());
    EXPECT_FALSE(later.form->EncoderBuiltin1->isChecked());
    EXPECT_TRUE(later.form->FitInside1->isChecked());
    EXPECT_EQ(later.form->optionsFromControls().Fit, FitMode::Fit);
}

}  // namespace
}  // namespace velmora::testing
