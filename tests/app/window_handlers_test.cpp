// SPDX-License-Identifier: GPL-3.0-or-later
// The grid, its pop-up menu, the option controls, closing and the About box.
#include <gtest/gtest.h>
#include <QCheckBox>
#include <QGroupBox>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTest>

#include "app/about_text.h"
#include "convert/source_intake.h"
#include "convert/work_dirs.h"
#include "firmware/file_io.h"
#include "tests/app/window_harness.h"
#include "tests/support/temp_dir.h"

namespace velmora::testing {
namespace {

class WindowHandlersTest : public ::testing::Test {
  protected:
    WindowHarness h;
    TForm1& form() { return *h.form; }

    void analyse(std::vector<PictureEntry> pictures) {
        h.fake.pictures = std::move(pictures);
        h.ui->openChoices.push_back("/fw/dump.bin");
        form().Button2Click();
    }
    QPoint rowCentre(int row) {
        QTableWidget* grid = form().StringGrid1;
        return grid->visualRect(grid->model()->index(row, 1)).center();
    }
};

TEST_F(WindowHandlersTest, SelectingARowSetsSelectedPicture) {
    analyse({pictureOfKind(2, 0x10), pictureOfKind(4, 0x20), pictureOfKind(2, 0x30)});
    form().StringGrid1SelectCell(0, 3);
    EXPECT_EQ(form().session().SelectedPicture, 2);
    form().show();
    QTest::mouseClick(form().StringGrid1->viewport(), Qt::LeftButton, {}, rowCentre(1));
    EXPECT_EQ(form().session().SelectedPicture, 1);
}

TEST_F(WindowHandlersTest, SaveTgaIsOfferedForMpeg2PicturesOnly) {
    analyse({pictureOfKind(2, 0x10), pictureOfKind(4, 0x20)});
    const struct {
        int row;
        bool tga;
    } cases[] = {{1, true}, {2, false}, {1, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.row);
        form().StringGrid1SelectCell(0, c.row);
        form().PopupMenu1Popup();
        EXPECT_EQ(form().Savepicture1->isEnabled(), c.tga);
        EXPECT_TRUE(form().View1->isEnabled());
        EXPECT_TRUE(form().Savevideo1->isEnabled());
    }
}

TEST_F(WindowHandlersTest, MenuItemsAndDoubleClickRunTheirActions) {
    analyse({pictureOfKind(2, 0x10), pictureOfKind(4, 0x20)});
    form().View1->trigger();
    form().Savevideo1->trigger();
    form().Savepicture1->trigger();
    EXPECT_EQ(h.fake.views, 1);
    EXPECT_EQ(h.fake.videoSaves, 1);
    EXPECT_EQ(h.fake.pictureSaves, 1);

    form().show();
    QTest::mousePress(form().StringGrid1->viewport(), Qt::LeftButton, {}, rowCentre(0));
    QTest::mouseDClick(form().StringGrid1->viewport(), Qt::LeftButton, {}, rowCentre(0));
    EXPECT_EQ(h.fake.views, 2) << "a double click views, as the menu item does";

    form().StringGrid1SelectCell(0, 2);
    form().Savepicture1Click();
    EXPECT_EQ(h.fake.pictureSaves, 1) << "no TGA for an MPEG-4 picture";
}

TEST_F(WindowHandlersTest, PictureActionsNeedAPicture) {
    form().View1Click();
    form().Savevideo1Click();
    form().Savepicture1Click();
    form().Button3Click();
    EXPECT_EQ(h.fake.views + h.fake.videoSaves + h.fake.pictureSaves + h.fake.replaces, 0);
}

TEST_F(WindowHandlersTest, OpenImageFileSetsPanelAndGroupsOrChangesNothing) {
    analyse({pictureOfKind(2, 0x10)});
    h.ui->openChoices.push_back(std::nullopt);
    h.fake.nextSource = AcceptedSource{"JPEG 720x576: photo.jpg", true};
    form().BitBtn2->click();
    EXPECT_TRUE(form().Panel1->text().isEmpty()) << "cancelled";
    EXPECT_FALSE(form().BitBtn3->isEnabled());

    h.ui->openChoices.push_back("/p/photo.jpg");
    form().BitBtn2->click();
    EXPECT_EQ(form().Panel1->text(), QStringLiteral("JPEG 720x576: photo.jpg"));
    EXPECT_TRUE(form().GroupBox1->isEnabled());
    EXPECT_TRUE(form().GroupBox2->isEnabled());
    EXPECT_TRUE(form().BitBtn3->isEnabled());
    EXPECT_TRUE(form().CheckBox1->isEnabled());

    h.fake.nextSource = AcceptedSource{"MPEG file: clip.m2v", false};
    h.ui->openChoices.push_back("/p/clip.m2v");
    form().BitBtn2->click();
    EXPECT_EQ(form().Panel1->text(), QStringLiteral("MPEG file: clip.m2v"));
    EXPECT_FALSE(form().GroupBox1->isEnabled());
    EXPECT_FALSE(form().GroupBox2->isEnabled());
    EXPECT_TRUE(form().BitBtn3->isEnabled());
}

// The open dialog offers the files for the selected picture's kind; the
// chosen file, and only a chosen one, goes on to be accepted.
TEST_F(WindowHandlersTest, OpenImageFileAsksWithTheSelectedPicturesFilter) {
    analyse({pictureOfKind(kKindMpeg2, 0x10), pictureOfKind(kKindMpeg4, 0x20)});
    h.fake.nextSource = AcceptedSource{"JPEG 1x1: photo.jpg", true};
    h.ui->openChoices.push_back("/p/photo.jpg");
    form().Button1Click();
    EXPECT_EQ(h.ui->openFilters.back(), sourceFilterFor(kKindMpeg2));
    form().StringGrid1SelectCell(0, 2);
    h.ui->openChoices.push_back(std::nullopt);
    form().Button1Click();
    EXPECT_EQ(h.ui->openFilters.back(), sourceFilterFor(kKindMpeg4));
    EXPECT_EQ(h.fake.acceptedPaths, std::vector<std::string>{"/p/photo.jpg"});
    EXPECT_EQ(form().session().SourcePath, "/p/photo.jpg");
}

TEST_F(WindowHandlersTest, ReplaceReadsTheOptionControls) {
    analyse({pictureOfKind(2, 0x10)});
    h.ui->openChoices.push_back("/p/photo.jpg");
    h.fake.nextSource = AcceptedSource{"JPEG 1x1: photo.jpg", true};
    form().Button1Click();

    form().BitBtn3->click();
    form().CheckBox1->setChecked(false);
    form().RadioButton3->setChecked(true);
    form().CheckBox2->setChecked(true);
    form().RadioButton6->setChecked(true);
    form().CheckBox3->setChecked(true);
    form().BitBtn3->click();
    form().RadioButton2->setChecked(true);
    form().RadioButton4->setChecked(true);
    form().CheckBox3->setChecked(false);
    form().CheckBox4->setChecked(true);
    form().BitBtn3->click();
    form().RadioButton5->setChecked(true);
    form().BitBtn3->click();

    ASSERT_EQ(h.fake.replaceOptions.size(), 4u);
    const ReplaceOptions& first = h.fake.replaceOptions[0];
    EXPECT_TRUE(first.UseSpareSpace);
    EXPECT_EQ(first.Colors, ColorMode::Colors24);
    EXPECT_EQ(first.Orientation, Rotation::None);
    EXPECT_FALSE(first.Greyscale || first.HMirror || first.VMirror);
    const ReplaceOptions& second = h.fake.replaceOptions[1];
    EXPECT_FALSE(second.UseSpareSpace);
    EXPECT_EQ(second.Colors, ColorMode::Colors16);
    EXPECT_TRUE(second.Greyscale);
    EXPECT_EQ(second.Orientation, Rotation::Rotate270);
    EXPECT_TRUE(second.HMirror);
    EXPECT_FALSE(second.VMirror);
    const ReplaceOptions& third = h.fake.replaceOptions[2];
    EXPECT_EQ(third.Colors, ColorMode::Colors256);
    EXPECT_EQ(third.Orientation, Rotation::Rotate90);
    EXPECT_FALSE(third.HMirror);
    EXPECT_TRUE(third.VMirror);
    EXPECT_EQ(h.fake.replaceOptions[3].Orientation, Rotation::Rotate180);
}

TEST_F(WindowHandlersTest, ClosingDeletesExactlyTheTwoWorkFiles) {
    TempDir temp;
    form().session().TempDir = temp.path();
    const char* kept[] = {"$mpeg.m2v",    "$tga.tga", "$convert.bat",
                          "$jpg_res.m2v", "tmp.bin",  "dump.bin"};
    for (const char* name : kept) static_cast<void>(temp.writeText(name, "x"));
    static_cast<void>(temp.writeText("$tmp.bin", "copy"));
    static_cast<void>(temp.writeText("$mpeg.m4v", "stream"));
    form().show();
    EXPECT_TRUE(form().close());
    EXPECT_FALSE(fileExists(temp.file("$tmp.bin")));
    EXPECT_FALSE(fileExists(temp.file("$mpeg.m4v")));
    for (const char* name : kept) EXPECT_TRUE(fileExists(temp.file(name))) << name;
    EXPECT_TRUE(h.ui->boxes.empty());

    form().FormClose();  // nothing left to delete: no complaint
    EXPECT_TRUE(h.ui->boxes.empty());
}

TEST_F(WindowHandlersTest, StartUpRecordsToolAndWorkFolders) {
    EXPECT_FALSE(form().session().ToolDir.empty());
    EXPECT_EQ(form().session().TempDir, chooseTempDir());
}

TEST_F(WindowHandlersTest, PanelClickShowsTheAboutBox) {
    form().show();
    QTest::mouseClick(form().Panel5, Qt::LeftButton);
    ASSERT_EQ(h.ui->boxes.size(), 1u);
    EXPECT_EQ(h.ui->boxes[0].kind, "information");
    EXPECT_EQ(h.ui->boxes[0].caption, "About");
    EXPECT_EQ(h.ui->boxes[0].text, aboutText(VELMORA_TEST_VERSION));
}

TEST(AboutText, LinesAreSeparatedByCarriageReturnsAlone) {
    const std::string text = aboutText("1.2.3");
    EXPECT_EQ(text.find('\n'), std::string::npos);
    ASSERT_FALSE(text.empty());
    EXPECT_NE(text.back(), '\r');
    std::vector<std::string> lines;
    std::size_t from = 0;
    for (std::size_t cr; (cr = text.find('\r', from)) != std::string::npos; from = cr + 1)
        lines.push_back(text.substr(from, cr - from));
    lines.push_back(text.substr(from));
    ASSERT_GE(lines.size(), 7u);
    EXPECT_NE(lines[0].find("Velmora"), std::string::npos);
    EXPECT_NE(lines[0].find("1.2.3"), std::string::npos);
    EXPECT_EQ(lines[1], "");
    EXPECT_EQ(lines[2], "  This program allows to replace backgrounds in firmwares of DVD players");
    EXPECT_EQ(lines[3], "based on Zoran Vaddis chips.");
    EXPECT_EQ(lines[4], "  This program uses functionality of some external programs.");
    EXPECT_EQ(lines[5],
              "I wish to tell thanks authors for good work and possibility of free use of their "
              "programs.");
    const std::string thanks = text.substr(text.find(lines[6]));
    for (const char* tool :
         {"jpeg2yuv", "yuvscaler", "mpeg2enc", "mpeg2decode", "xvid_encraw", "pvw32con"})
        EXPECT_NE(thanks.find(tool), std::string::npos) << tool;
}

}  // namespace
}  // namespace velmora::testing
