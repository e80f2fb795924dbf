// The window over the real core, on the fixture builder's firmware images.
#include <gtest/gtest.h>
#include <QCheckBox>
#include <QGroupBox>
#include <QPushButton>
#include <QTableWidget>

#include "catalogue/analysis.h"
#include "firmware/file_io.h"
#include "tests/app/window_harness.h"
#include "tests/fixtures/firmware_builder.h"
#include "tests/fixtures/fixture_streams.h"
#include "tests/fixtures/standard_fixtures.h"
#include "tests/support/temp_dir.h"

namespace velmora::testing {
namespace fx = velmora::fixtures;
namespace {

class WindowOverRealCore : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        standard_ = new fx::Fixture(fx::standardFirmware());
        empty_ = new fx::Fixture(fx::firmwareWithoutPictures());
    }
    static void TearDownTestSuite() {
        delete standard_;
        delete empty_;
    }

    void SetUp() override { h.form->session().TempDir = temp.path(); }

    std::string write(const std::string& name, const fx::Bytes& bytes) {
        fx::writeBytes(temp.file(name), bytes);
        return temp.file(name);
    }
    void open(const std::optional<std::string>& path) {
        h.ui->openChoices.push_back(path);
        h.form->BitBtn1->click();
    }

    static fx::Fixture* standard_;
    static fx::Fixture* empty_;
    TempDir temp;
    WindowHarness h{realCore()};
};

fx::Fixture* WindowOverRealCore::standard_ = nullptr;
fx::Fixture* WindowOverRealCore::empty_ = nullptr;

TEST_F(WindowOverRealCore, GridShowsTheFixturePicturesInEveryStoredForm) {
    const struct {
        const char* name;
        fx::Bytes bytes;
    } forms[] = {
        {"dump.bin", standard_->image},
        {"dump_swapped.bin", fx::byteSwapped(standard_->image)},
        {"update.img", fx::withImageChecksum(standard_->image)},
    };
    for (const auto& form : forms) {
        SCOPED_TRACE(form.name);
        open(write(form.name, form.bytes));
        ASSERT_TRUE(h.ui->boxes.empty()) << h.ui->boxes[0].text;
        QTableWidget* grid = h.form->StringGrid1;
        ASSERT_EQ(grid->rowCount(), static_cast<int>(standard_->entries.size()));
        for (int r = 0; r < grid->rowCount(); ++r) {
            const auto cells = gridRow(standard_->entries[static_cast<std::size_t>(r)], r + 1);
            for (int c = 0; c < 5; ++c) {
                EXPECT_EQ(grid->item(r, c)->text().toStdString(),
                          cells[static_cast<std::size_t>(c)])
                    << "row " << r + 1 << " column " << c;
            }
        }
        EXPECT_EQ(grid->item(0, 0)->text(), QStringLiteral("1*")) << "its pointer was found";
        EXPECT_EQ(h.form->Panel2->text(), QString::fromLatin1(form.name));
        EXPECT_EQ(grid->currentRow(), 0);
        EXPECT_EQ(h.form->session().SelectedPicture, 0);
        EXPECT_FALSE(h.ui->progressValues.empty()) << "the scan moved the bar";
    }
}

TEST_F(WindowOverRealCore, WholeWorkSessionFromStartUpToCancel) {
    EXPECT_EQ(enabledStates(*h.form),
              (EnabledStates{true, false, false, false, false, false, false}));
    open(write("dump.bin", standard_->image));
    EXPECT_EQ(enabledStates(*h.form),
              (EnabledStates{true, true, true, false, false, false, false}));

    h.ui->openChoices.push_back(fx::photoJpeg(720, 576));
    h.form->BitBtn2->click();
    ASSERT_TRUE(h.ui->boxes.empty()) << h.ui->boxes[0].text;
    EXPECT_TRUE(h.form->Panel1->text().startsWith(QStringLiteral("JPEG 720x576: ")));
    EXPECT_TRUE(h.ui->hasLine("JPEG Image opened."));
    EXPECT_EQ(enabledStates(*h.form), (EnabledStates{true, true, true, true, true, true, true}));

    open(write("blank.bin", empty_->image));
    EXPECT_TRUE(h.ui->hasLine("Sorry, no pictures found..."));
    EXPECT_EQ(enabledStates(*h.form), (EnabledStates{true, false, true, false, false, true, true}));

    open(std::nullopt);
    EXPECT_EQ(enabledStates(*h.form),
              (EnabledStates{true, false, false, false, false, true, true}));
}

TEST_F(WindowOverRealCore, SaveTgaFollowsTheKindOfTheFixturePictures) {
    open(write("dump.bin", standard_->image));
    for (int row = 1; row <= static_cast<int>(standard_->entries.size()); ++row) {
        SCOPED_TRACE(row);
        h.form->StringGrid1->setCurrentCell(row - 1, 1);
        h.form->PopupMenu1Popup();
        EXPECT_EQ(h.form->Savepicture1->isEnabled(),
                  standard_->entries[static_cast<std::size_t>(row - 1)].Kind == kKindMpeg2);
    }
}

TEST_F(WindowOverRealCore, ClosingAfterASwappedDumpDeletesItsWorkingCopy) {
    open(write("dump_swapped.bin", fx::byteSwapped(standard_->image)));
    ASSERT_TRUE(h.form->session().ByteSwapped);
    ASSERT_TRUE(fileExists(temp.file("$tmp.bin")));
    h.form->show();
    h.form->close();
    EXPECT_FALSE(fileExists(temp.file("$tmp.bin")));
    EXPECT_TRUE(fileExists(temp.file("dump_swapped.bin")));
}

TEST_F(WindowOverRealCore, MissingFirmwareShowsTheIoErrorBox) {
    open(temp.file("gone.bin"));
    ASSERT_EQ(h.ui->boxes.size(), 1u);
    EXPECT_EQ(h.ui->boxes[0].caption, "I/O error");
    EXPECT_NE(h.ui->boxes[0].text.find("gone.bin"), std::string::npos);
    EXPECT_FALSE(h.form->StringGrid1->isEnabled());
    EXPECT_TRUE(h.form->BitBtn1->isEnabled());
    EXPECT_EQ(h.form->Panel2->text(), QStringLiteral("gone.bin"));
}

}  // namespace
}  // namespace velmora::testing
