// SPDX-License-Identifier: GPL-3.0-or-later
// The window over the real core, on the fixture builder's firmware images.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTextDocument>
#include <QTimer>
#include <algorithm>

#include "app/before_after_dialog.h"
#include "app/desktop_player.h"
#include "app/source_thumbnail.h"
#include "catalogue/analysis.h"
#include "firmware/file_io.h"
#include "tests/app/window_harness.h"
#include "tests/fixtures/firmware_builder.h"
#include "tests/fixtures/fixture_streams.h"
#include "tests/fixtures/standard_fixtures.h"
#include "tests/support/child_process.h"
#include "tests/support/fake_tools.h"
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

// A dropped source is checked and accepted exactly as one chosen in "Open
// Image file": the same boxes, log lines, caption and source, and no file
// dialog is asked for it.
TEST_F(WindowOverRealCore, ADroppedSourceIsAcceptedOrRefusedAsAChosenOne) {
    open(write("dump.bin", standard_->image));
    struct Seen {
        std::vector<std::string> lines;
        std::vector<std::string> boxes;
        QString panel;
        std::string source;
        std::size_t dialogs = 0;
    };
    const auto seen = [&](const std::function<void()>& act) {
        h.ui->lines.clear();
        h.ui->boxes.clear();
        const std::size_t asked = h.ui->openFilters.size();
        act();
        Seen what{h.ui->lines,
                  {},
                  h.form->Panel1->text(),
                  h.form->session().SourcePath,
                  h.ui->openFilters.size() - asked};
        for (const auto& box : h.ui->boxes) what.boxes.push_back(box.caption + ": " + box.text);
        return what;
    };
    const auto chosen = [&](const std::string& path) {
        return seen([&] {
            h.ui->openChoices.push_back(path);
            h.form->BitBtn2->click();
        });
    };
    const auto dropped = [&](const std::string& path) {
        return seen([&] { h.form->openDroppedFile(path); });
    };
    const std::string photo = fx::photoJpeg(720, 576);
    const std::string broken = write("broken.jpg", {0xFF, 0xD8, 0xFF, 0xE0, 0x00});
    const std::string stream = write("clip.m2v", fx::mpeg2Still(720, 576, false, 1500));
    for (const std::string& path : {photo, broken, stream}) {
        SCOPED_TRACE(path);
        const Seen byDialog = chosen(path);
        const Seen byDrop = dropped(path);
        EXPECT_EQ(byDialog.dialogs, 1u);
        EXPECT_EQ(byDrop.dialogs, 0u) << "no file dialog for a dropped file";
        EXPECT_EQ(byDrop.lines, byDialog.lines);
        EXPECT_EQ(byDrop.boxes, byDialog.boxes);
        EXPECT_EQ(byDrop.panel, byDialog.panel);
        EXPECT_EQ(byDrop.source, byDialog.source);
    }
    EXPECT_EQ(dropped(broken).boxes, std::vector<std::string>{"ERROR!: JPEG file corrupted!"});
    EXPECT_EQ(h.form->session().SourcePath, stream) << "a refused source keeps the earlier one";
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

TEST_F(WindowOverRealCore, ReplaceImageWritesAReadyStreamInPlace) {
    const std::string firmware = write("dump.bin", standard_->image);
    open(firmware);
    h.form->StringGrid1->setCurrentCell(1, 1);  // the non-fragmented NTSC MPEG-2 picture
    const PictureEntry& target = standard_->entries[1];
    ASSERT_EQ(target.Kind, kKindMpeg2);
    ASSERT_EQ(target.GapLength, 0);

    const fx::Bytes stream = fx::mpeg2Still(720, 480, true, 1500);
    ASSERT_LT(static_cast<std::int64_t>(stream.size()), target.DataSize);
    h.ui->openChoices.push_back(write("new.m2v", stream));
    h.form->BitBtn2->click();
    EXPECT_EQ(h.form->Panel1->text(), QStringLiteral("MPEG file: new.m2v"));
    ASSERT_TRUE(h.form->BitBtn3->isEnabled());

    h.ui->defaultAnswer = false;  // not moved into the free space
    h.form->BitBtn3->click();
    ASSERT_FALSE(h.ui->boxes.empty());
    EXPECT_EQ(h.ui->boxes.back().kind, "information") << h.ui->boxes.back().text;
    EXPECT_EQ(h.ui->boxes.back().caption, "Completed!");
    EXPECT_TRUE(h.ui->hasLine("All operations completed successfully!")) << h.ui->logText();

    const auto now = readFile(firmware);
    ASSERT_EQ(now.size(), standard_->image.size());
    EXPECT_TRUE(std::equal(stream.begin(), stream.end(), now.begin() + target.Start));
    EXPECT_TRUE(std::equal(now.begin(), now.begin() + target.Start, standard_->image.begin()));
    EXPECT_EQ(enabledStates(*h.form), (EnabledStates{true, true, true, true, true, false, false}))
        << "the states stay for the next replacement";
}

TEST_F(WindowOverRealCore, AfterAMoveTheMovedPictureIsSelectedAndMarkedAndTheOldCopyIsNot) {
    const std::string firmware = write("dump.bin", standard_->image);
    open(firmware);
    h.form->StringGrid1->setCurrentCell(0, 1);  // the fragmented PAL MPEG-2 picture
    const PictureEntry& target = standard_->entries[0];
    h.ui->openChoices.push_back(write("new.m2v", fx::mpeg2Still(352, 288, false, 2000)));
    h.form->BitBtn2->click();
    h.ui->defaultAnswer = true;  // moved into the free space
    h.form->BitBtn3->click();
    ASSERT_TRUE(h.ui->hasLine("All operations completed successfully!")) << h.ui->logText();

    const std::uint32_t moved =
        standard_->freeSpace.FreeSpaceAddr + static_cast<std::uint32_t>(target.GapLength);
    const Session& s = h.form->session();
    int movedRow = -1, oldRow = -1;
    for (int i = 0; i < s.PictureCount; ++i) {
        if (s.PictureTable[static_cast<std::size_t>(i)].Start == moved) movedRow = i;
        if (s.PictureTable[static_cast<std::size_t>(i)].Start == target.Start) oldRow = i;
    }
    ASSERT_GE(movedRow, 0);
    ASSERT_GE(oldRow, 0);
    EXPECT_EQ(h.form->StringGrid1->currentRow(), movedRow);
    EXPECT_EQ(h.form->StringGrid1->item(movedRow, 0)->text(),
              QString::number(movedRow + 1) + QStringLiteral("*"));
    EXPECT_EQ(h.form->StringGrid1->item(oldRow, 0)->text(), QString::number(oldRow + 1));
    EXPECT_TRUE(h.form->StringGrid1->item(oldRow, 1)->toolTip().contains(
        QStringLiteral("No record found leads the player to this picture")));
    EXPECT_TRUE(h.form->StringGrid1->item(movedRow, 1)->toolTip().isEmpty());
}

TEST_F(WindowOverRealCore, TheFirmwareNameOffersToPutTheOriginalBackAndAsksFirst) {
    const std::string firmware = write("dump.bin", standard_->image);
    open(firmware);
    h.form->StringGrid1->setCurrentCell(1, 1);
    h.ui->openChoices.push_back(write("new.m2v", fx::mpeg2Still(720, 480, true, 1500)));
    h.form->BitBtn2->click();
    h.ui->defaultAnswer = false;  // not moved
    h.form->BitBtn3->click();
    ASSERT_TRUE(h.ui->hasLine("Original firmware kept as dump.bin.orig")) << h.ui->logText();
    ASSERT_NE(readFile(firmware), standard_->image);

    EXPECT_EQ(h.form->Restore1->text(), QStringLiteral("Restore the original firmware"));
    EXPECT_EQ(h.form->Panel2->contextMenuPolicy(), Qt::CustomContextMenu);
    h.ui->questions.clear();
    h.ui->closeOn = Question::Restore;  // closed without an answer: nothing happens
    h.form->Restore1->trigger();
    EXPECT_EQ(h.ui->questions, (std::vector<Question>{Question::Restore}));
    EXPECT_NE(readFile(firmware), standard_->image);

    h.ui->closeOn.reset();
    h.ui->answers = {true};
    const int analysesBefore = static_cast<int>(std::count(
        h.ui->lines.begin(), h.ui->lines.end(), "Binary file loaded: dump.bin. Analyzing..."));
    h.form->Restore1->trigger();
    EXPECT_EQ(readFile(firmware), standard_->image);
    EXPECT_TRUE(h.ui->hasLine("Original firmware restored from dump.bin.orig"));
    EXPECT_EQ(std::count(h.ui->lines.begin(), h.ui->lines.end(),
                         "Binary file loaded: dump.bin. Analyzing..."),
              analysesBefore + 1)
        << "analysed again";
    EXPECT_EQ(h.form->StringGrid1->rowCount(), 4);
}

TEST_F(WindowOverRealCore, TheChangesCanBeShownBeforeTheyAreWritten) {
    const std::string firmware = write("dump.bin", standard_->image);
    open(firmware);
    h.form->StringGrid1->setCurrentCell(1, 1);
    h.ui->openChoices.push_back(write("new.m2v", fx::mpeg2Still(720, 480, true, 1500)));
    h.form->BitBtn2->click();
    h.form->ShowChanges1->setChecked(true);
    h.ui->questions.clear();
    h.ui->answers = {false, false};  // not moved; then do not write
    h.form->BitBtn3->click();
    EXPECT_EQ(h.ui->questions,
              (std::vector<Question>{Question::MovePicture, Question::WriteChanges}));
    EXPECT_NE(h.ui->boxes.back().text.find(" picture stream"), std::string::npos)
        << h.ui->boxes.back().text;
    EXPECT_EQ(readFile(firmware), standard_->image);
}

TEST_F(WindowOverRealCore, ViewShowsMpeg2PicturesAndHandsMpeg4OnesToTheDesktop) {
    h.form->session().ToolDir = VELMORA_TOOL_DIR;
    if (!fileExists(joinPath(VELMORA_TOOL_DIR, "mpeg2decode")))
        GTEST_SKIP() << "the MPEG-2 decoder is not built in " << VELMORA_TOOL_DIR;
    open(write("dump.bin", fx::byteSwapped(standard_->image)));
    h.form->show();

    h.form->View1->trigger();  // row 1: PAL MPEG-2
    ASSERT_TRUE(h.ui->boxes.empty()) << h.ui->boxes[0].text;
    auto open = h.form->previews().openWindows();
    ASSERT_EQ(open.size(), 1u);
    EXPECT_EQ(open[0]->windowTitle(), QStringLiteral("BackGround #1  720x576"));
    EXPECT_EQ(open[0]->frameGeometry().topLeft(), QPoint(2, 52));
    EXPECT_EQ(open[0]->size(), QSize(768, 576)) << "4:3 PAL, as the TV shows it, inside the frame";
    EXPECT_FALSE(fileExists(temp.file("$mpeg.m2v")));
    EXPECT_FALSE(fileExists(temp.file("$tga.tga")));

    h.form->StringGrid1->setCurrentCell(1, 1);  // NTSC MPEG-2, by double click
    const QRect cell = h.form->StringGrid1->visualRect(h.form->StringGrid1->model()->index(1, 1));
    QTest::mousePress(h.form->StringGrid1->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(h.form->StringGrid1->viewport(), Qt::LeftButton, {}, cell.center());
    open = h.form->previews().openWindows();
    ASSERT_EQ(open.size(), 2u) << "the first preview stays open";
    EXPECT_EQ(open[1]->windowTitle(), QStringLiteral("BackGround #2  720x480"));
    EXPECT_EQ(h.form->previews().current().size(), QSize(720, 480));

    h.form->StringGrid1->setCurrentCell(2, 1);  // MPEG-4: shown the same way, decoded here
    h.form->View1->trigger();
    ASSERT_TRUE(h.ui->boxes.empty()) << h.ui->boxes[0].text;
    open = h.form->previews().openWindows();
    ASSERT_EQ(open.size(), 3u);
    EXPECT_EQ(open[2]->windowTitle(), QStringLiteral("BackGround #3  720x576"));
    EXPECT_TRUE(h.ui->openedWithDesktop.empty());
    EXPECT_FALSE(fileExists(temp.file("$mpeg.m4v")));
    h.form->PopupMenu1Popup();
    EXPECT_TRUE(h.form->Play1->isEnabled());
    EXPECT_EQ(h.form->previews().openWindows()[0]->windowTitle(),
              QStringLiteral("BackGround #1  720x576"))
        << "each preview keeps its picture and title";
    h.form->close();
}

TEST_F(WindowOverRealCore, SaveMpegVideoWritesTheStreamUnderTheChosenName) {
    open(write("dump.bin", standard_->image));
    h.form->StringGrid1->setCurrentCell(2, 1);
    h.ui->saveChoices.push_back(temp.file("picture3.m4v"));
    h.form->Savevideo1->trigger();
    ASSERT_TRUE(h.ui->boxes.empty()) << h.ui->boxes[0].text;
    ASSERT_EQ(h.ui->saveRequests.size(), 1u);
    EXPECT_EQ(h.ui->saveRequests[0].second, "dump_3.m4v");
    EXPECT_TRUE(h.ui->hasLine("Original videostream #3 saved."));
    EXPECT_GT(readFile(temp.file("picture3.m4v")).size(), 10u);
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

// A JPEG replacement whose encoder is slow: the person cancels, or the time
// limit stops it.
class SlowEncoderReplacement : public WindowOverRealCore {
  protected:
    void SetUp() override {
        WindowOverRealCore::SetUp();
        tools.slowEncoders("30");
        h.form->session().ToolDir = tools.folder();
        h.form->EncoderTools1->setChecked(true);  // the external tools
        firmware = write("dump.bin", standard_->image);
        open(firmware);
        h.form->StringGrid1->setCurrentCell(1, 1);
        h.ui->openChoices.push_back(fx::photoJpeg(720, 480));
        h.form->BitBtn2->click();
        h.form->show();
    }
    void expectNothingWritten() {
        EXPECT_EQ(readFile(firmware), standard_->image);
        for (const char* name : {"$convert.bat", "$jpg_res.bmp", "$jpg_res.jpg", "$jpg_res.m2v"})
            EXPECT_FALSE(fileExists(temp.file(name))) << name;
        EXPECT_EQ(h.form->BitBtn3->text(), QStringLiteral("Replace Image"));
    }
    [[nodiscard]] std::vector<ScriptedDialogs::Box> errorBoxes() const {
        std::vector<ScriptedDialogs::Box> errors;
        for (const auto& box : h.ui->boxes)
            if (box.kind == "error") errors.push_back(box);
        return errors;
    }
    FakeTools tools{temp.file("tools"), "100"};
    std::string firmware;
};

TEST_F(SlowEncoderReplacement, EscapeStopsTheEncoderAndWritesNothing) {
    QTimer canceller;
    QObject::connect(&canceller, &QTimer::timeout, [&] {
        if (!fileExists(temp.file("$convert.bat"))) return;
        canceller.stop();
        QTest::keyClick(h.form.get(), Qt::Key_Escape);
    });
    canceller.start(10);
    h.form->BitBtn3->click();
    EXPECT_EQ(h.ui->lines.back(), "Cancelled.");
    EXPECT_TRUE(errorBoxes().empty()) << errorBoxes()[0].text;
    expectNothingWritten();
}

TEST_F(SlowEncoderReplacement, EncoderPastTheTimeLimitIsNamedInAnErrorBox) {
    h.form->session().Control->toolTimeout = std::chrono::milliseconds(500);
    h.form->BitBtn3->click();
    const auto errors = errorBoxes();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].caption, "ERROR!");
    // It names the programs that were still running: the hung encoder among them.
    EXPECT_EQ(errors[0].text.rfind("The tool ", 0), 0u) << errors[0].text;
    EXPECT_NE(errors[0].text.find("mpeg2enc"), std::string::npos) << errors[0].text;
    EXPECT_NE(errors[0].text.find(" ran longer than 0.5 seconds and was stopped."),
              std::string::npos);
    expectNothingWritten();
}

TEST_F(WindowOverRealCore, BeforeAfterLookDecidesWhetherTheStreamIsWritten) {
    const std::string firmware = write("dump.bin", standard_->image);
    open(firmware);
    h.form->StringGrid1->setCurrentCell(1, 1);
    h.ui->openChoices.push_back(write("new.m2v", fx::mpeg2Still(720, 480, true, 1500)));
    h.form->BitBtn2->click();
    h.form->show();
    h.form->BeforeAfter1->setChecked(true);
    QSize shownAfter;
    const auto pressInLook = [&](const char* button) {
        auto* timer = new QTimer(h.form.get());
        QObject::connect(timer, &QTimer::timeout, [&shownAfter, timer, button] {
            auto* look = dynamic_cast<BeforeAfterDialog*>(QApplication::activeModalWidget());
            if (look == nullptr) return;
            timer->deleteLater();
            timer->stop();
            const auto pictures = look->findChildren<QLabel*>();
            for (const QLabel* label : pictures)
                if (!label->pixmap().isNull()) shownAfter = label->pixmap().size();
            look->findChild<QPushButton*>(QString::fromLatin1(button))->click();
        });
        timer->start(10);
    };
    pressInLook("DoNotWrite");
    h.form->BitBtn3->click();
    EXPECT_EQ(readFile(firmware), standard_->image) << "declined: nothing written";
    EXPECT_FALSE(h.ui->hasLine("All operations completed successfully!"));
    EXPECT_EQ(shownAfter, QSize(360, 270))
        << "both pictures shown as the TV shows them (4:3), scaled to the box";

    pressInLook("Write");
    h.form->BitBtn3->click();
    EXPECT_TRUE(h.ui->hasLine("All operations completed successfully!"));
    EXPECT_NE(readFile(firmware), standard_->image);
}

TEST_F(WindowOverRealCore, PlayWithoutARegisteredPlayerSaysSo) {
    if (desktopHasPlayerFor(QStringLiteral("picture.m4v")))
        GTEST_SKIP() << "this desktop has a player for MPEG-4 video";
    open(write("dump.bin", standard_->image));
    h.form->StringGrid1->setCurrentCell(2, 1);  // MPEG-4
    h.form->Play1->trigger();
    ASSERT_EQ(h.ui->boxes.size(), 1u);
    EXPECT_EQ(h.ui->boxes[0].kind, "error");
    EXPECT_EQ(h.ui->boxes[0].text, kNoPlayerText);
    EXPECT_TRUE(h.ui->openedWithDesktop.empty());
}

TEST_F(WindowOverRealCore, ImagePanelTooltipShowsTheChosenPicture) {
    open(write("dump.bin", standard_->image));
    for (const bool jpeg : {true, false}) {
        SCOPED_TRACE(jpeg ? "JPEG" : "MPEG-2 stream");
        h.ui->openChoices.push_back(jpeg ? fx::photoJpeg(720, 576)
                                         : write("new.m2v", fx::mpeg2Still(720, 576, false)));
        h.form->BitBtn2->click();
        ASSERT_TRUE(h.ui->boxes.empty()) << h.ui->boxes[0].text;
        const QString tip = h.form->Panel1->toolTip();
        ASSERT_TRUE(tip.contains(QStringLiteral("<img"))) << tip.left(80).toStdString();
        QTextDocument rendered;
        rendered.setHtml(tip);
        EXPECT_GE(rendered.size().height(), 120.0) << "the thumbnail is drawn in the tooltip";
        const QImage thumbnail = sourceThumbnail(h.form->session().SourcePath);
        EXPECT_EQ(thumbnail.size(), QSize(150, 120)) << "720x576 kept in shape";
    }
}

// A velmora-cli run in the window's work folder, after the window analysed a
// byte-swapped dump there: the command line works in a folder of its own and
// the window's working copy stays the window's.
TEST_F(WindowOverRealCore, ACommandLineRunBesideTheWindowLeavesItsWorkFilesAlone) {
    open(write("dump_swapped.bin", fx::byteSwapped(standard_->image)));
    ASSERT_TRUE(h.ui->boxes.empty()) << h.ui->boxes[0].text;
    ASSERT_EQ(h.form->session().TempDir, temp.path());
    const std::string copy = h.form->session().workFile("$tmp.bin");
    ASSERT_TRUE(fileExists(copy));
    const auto windowsCopy = readFile(copy);

    const std::string other = write("other_swapped.bin", fx::byteSwapped(empty_->image));
    const pid_t cli =
        startProgram({std::string(VELMORA_BIN_DIR) + "/velmora-cli", "analyze", other},
                     {"TMP=" + temp.path()}, true);
    ASSERT_GT(cli, 0);
    int status = 0;
    ASSERT_EQ(::waitpid(cli, &status, 0), cli);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_TRUE(fileExists(copy)) << "the command line removed the window's working copy";
    EXPECT_EQ(readFile(copy), windowsCopy);
}

}  // namespace
}  // namespace velmora::testing
