// SPDX-License-Identifier: GPL-3.0-or-later
// The real Qt dialogs, each closed by the test as a person would.
#include <gtest/gtest.h>
#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTimer>
#include <filesystem>
#include <functional>

#include "app/file_filter.h"
#include "app/qt_dialogs.h"
#include "app/window_memory.h"
#include "tests/support/temp_dir.h"

namespace velmora::testing {
namespace {

// Acts on the next modal window as soon as it is shown.
void whenModalShown(std::function<void(QWidget*)> act) {
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, act = std::move(act)] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr || !modal->isVisible()) return;
        timer->stop();
        timer->deleteLater();
        act(modal);
    });
    timer->start();
}

struct SeenBox {
    QString caption, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButtons visibleButtons;
};

// Records the box and presses `press`.
void answerBox(SeenBox& seen, QMessageBox::StandardButton press) {
    whenModalShown([&seen, press](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        seen = {box->windowTitle(), box->text(), box->icon(), box->standardButtons(), {}};
        for (QAbstractButton* b : box->buttons())
            if (!b->isHidden()) seen.visibleButtons |= box->standardButton(b);
        box->button(press)->click();
    });
}

class QtDialogsTest : public ::testing::Test {
  protected:
    QWidget owner;
    QPlainTextEdit* memo = new QPlainTextEdit(&owner);
    QProgressBar* bar = new QProgressBar(&owner);
    QtDialogs dialogs{&owner, memo, bar};
};

TEST_F(QtDialogsTest, ErrorBoxHasCaptionErrorIconAndOk) {
    SeenBox seen;
    answerBox(seen, QMessageBox::Ok);
    dialogs.error("I/O error", "Read past the end of dump.bin at offset 0x00000010");
    EXPECT_EQ(seen.caption, QStringLiteral("I/O error"));
    EXPECT_EQ(seen.text, QStringLiteral("Read past the end of dump.bin at offset 0x00000010"));
    EXPECT_EQ(seen.icon, QMessageBox::Critical);
    EXPECT_EQ(seen.buttons, QMessageBox::Ok);
}

TEST_F(QtDialogsTest, QuestionIsYesNoWithoutIconAndOnlyYesGoesAhead) {
    for (const auto press : {QMessageBox::Yes, QMessageBox::No}) {
        SeenBox seen;
        answerBox(seen, press);
        const Answer answer = dialogs.ask(Question::MovePicture, "Move picture?", "Move it?");
        EXPECT_EQ(answer, press == QMessageBox::Yes ? Answer::Yes : Answer::No);
        EXPECT_EQ(seen.caption, QStringLiteral("Move picture?"));
        EXPECT_EQ(seen.icon, QMessageBox::NoIcon);
        EXPECT_EQ(seen.visibleButtons, QMessageBox::Yes | QMessageBox::No);
    }
}

TEST_F(QtDialogsTest, ADifferentFormatIsAWarningThatEnterDoesNotAccept) {
    whenModalShown([](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->icon(), QMessageBox::Warning);
        EXPECT_EQ(box->windowTitle(), QStringLiteral("Different picture format"));
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(box, &enter);
    });
    EXPECT_EQ(dialogs.ask(Question::DifferentFormat, "Different picture format", "Differs."),
              Answer::No);
    for (const auto press : {QMessageBox::Yes, QMessageBox::No}) {
        SeenBox seen;
        answerBox(seen, press);
        EXPECT_EQ(dialogs.ask(Question::DifferentFormat, "Different picture format", "Differs."),
                  press == QMessageBox::Yes ? Answer::Yes : Answer::No);
        EXPECT_EQ(seen.visibleButtons, QMessageBox::Yes | QMessageBox::No);
    }
}

TEST_F(QtDialogsTest, EscapeOrClosingAQuestionIsNoAnswerAtAll) {
    whenModalShown([](QWidget* modal) {
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(modal, &escape);
    });
    EXPECT_EQ(dialogs.ask(Question::MovePicture, "Move picture?", "Move it?"), Answer::Cancelled);
    whenModalShown([](QWidget* modal) { modal->close(); });
    EXPECT_EQ(dialogs.ask(Question::Confirmation, "Confirmation", "Sure?"), Answer::Cancelled);
}

TEST_F(QtDialogsTest, InformationBoxBreaksLinesAtCarriageReturns) {
    SeenBox seen;
    answerBox(seen, QMessageBox::Ok);
    dialogs.information("About", "first\r\r  second");
    EXPECT_EQ(seen.caption, QStringLiteral("About"));
    EXPECT_EQ(seen.text, QStringLiteral("first\n\n  second"));
    EXPECT_EQ(seen.icon, QMessageBox::Information);
    EXPECT_EQ(seen.buttons, QMessageBox::Ok);
}

TEST_F(QtDialogsTest, OpenDialogOffersTheFiltersAndReturnsTheChoice) {
    TempDir temp;
    const std::string file = temp.writeText("dump.bin", "x");
    QStringList filters;
    whenModalShown([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        filters = dialog->nameFilters();
        dialog->selectFile(QString::fromStdString(file));
        static_cast<QDialog*>(dialog)->accept();  // as the Open button does
    });
    const auto chosen = dialogs.chooseOpenFile(
        "Flash binary file (*.bin, *.rom)|*.bin;*.rom|Image file (*.img)|*.img");
    EXPECT_EQ(chosen, file);
    EXPECT_EQ(filters,
              QStringList({QStringLiteral("Flash binary file (*.bin, *.rom) (*.bin *.rom)"),
                           QStringLiteral("Image file (*.img) (*.img)")}));
}

TEST_F(QtDialogsTest, SaveDialogProposesTheNameAndMayBeCancelled) {
    QString proposed;
    whenModalShown([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        proposed = QFileInfo(dialog->selectedFiles().value(0)).fileName();
        dialog->reject();
    });
    EXPECT_EQ(dialogs.chooseSaveFile("Targa Graph Image file (.tga)|*.tga", "dump_3"),
              std::nullopt);
    EXPECT_EQ(proposed, QStringLiteral("dump_3"));
}

TEST_F(QtDialogsTest, NextDialogOpensInTheFolderOfTheLastChoice) {
    TempDir temp;
    const std::string file = temp.writeText("dump.bin", "x");
    whenModalShown([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        dialog->selectFile(QString::fromStdString(file));
        static_cast<QDialog*>(dialog)->accept();
    });
    ASSERT_EQ(dialogs.chooseOpenFile("Flash binary file|*.bin"), file);
    QString folder;
    whenModalShown([&](QWidget* modal) {
        folder = qobject_cast<QFileDialog*>(modal)->directory().absolutePath();
        static_cast<QDialog*>(modal)->reject();
    });
    EXPECT_EQ(dialogs.chooseSaveFile("MPEG2 video (*.m2v)|*.m2v", "dump_1"), std::nullopt);
    EXPECT_EQ(folder, QDir(QString::fromStdString(temp.path())).absolutePath());
}

TEST_F(QtDialogsTest, EachDialogKeepsItsOwnFolderAcrossRuns) {
    TempDir temp;
    const std::string firmware = temp.writeText("dump.bin", "x");
    const QString ini = QString::fromStdString(temp.file("settings.ini"));
    auto openIn = [](QtDialogs& d, const std::string& filter, QString& folder,
                     const std::string& choose) {
        whenModalShown([&folder, choose](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            folder = dialog->directory().absolutePath();
            if (choose.empty()) {
                static_cast<QDialog*>(dialog)->reject();
                return;
            }
            dialog->selectFile(QString::fromStdString(choose));
            static_cast<QDialog*>(dialog)->accept();
        });
        return d.chooseOpenFile(filter);
    };
    {
        WindowMemory memory(ini);
        dialogs.rememberFoldersIn(&memory);
        QString folder;
        ASSERT_EQ(openIn(dialogs, "Flash binary file|*.bin", folder, firmware), firmware);
        dialogs.rememberFoldersIn(nullptr);
    }
    // A later run: the firmware dialog starts there, the picture dialog does not.
    QWidget otherOwner;
    QtDialogs later(&otherOwner, nullptr, nullptr);
    WindowMemory memory(ini);
    later.rememberFoldersIn(&memory);
    std::filesystem::create_directories(temp.file("pictures"));
    const std::string photo = temp.writeText("pictures/photo.jpg", "x");
    QString pictureFolder;
    ASSERT_EQ(openIn(later, "JPEG picture|*.jpg", pictureFolder, photo), photo);
    QString firmwareFolder;
    EXPECT_EQ(openIn(later, "Flash binary file|*.bin", firmwareFolder, ""), std::nullopt);
    EXPECT_EQ(firmwareFolder, QDir(QString::fromStdString(temp.path())).absolutePath())
        << "the firmware dialog starts where the firmware was chosen, last run";
}

TEST_F(QtDialogsTest, LogLinesGoToTheMemoAndProgressToTheBar) {
    dialogs.log("==================================================");
    dialogs.log("Binary file loaded: dump.bin. Analyzing...");
    dialogs.repaintLog();
    EXPECT_EQ(memo->toPlainText(),
              QStringLiteral("==================================================\n"
                             "Binary file loaded: dump.bin. Analyzing..."));
    for (const int percent : {0, 1, 1, 57, 100}) {
        dialogs.progress(percent);
        EXPECT_EQ(bar->value(), percent);
    }
}

TEST(FileFilter, DescriptionPatternPairsBecomeQtNameFilters) {
    const struct {
        const char* in;
        QStringList out;
    } cases[] = {
        {"Targa Graph Image file (.tga)|*.tga", {"Targa Graph Image file (.tga) (*.tga)"}},
        {"JPEG picture (*.jpeg; *.jpg)|*.jpg;*.jpeg|Custom MPEG2 video (*.m2v;*.mpg; *.mpeg)|"
         "*.m2v;*.mpg;*.mpeg",
         {"JPEG picture (*.jpeg; *.jpg) (*.jpg *.jpeg)",
          "Custom MPEG2 video (*.m2v;*.mpg; *.mpeg) (*.m2v *.mpg *.mpeg)"}},
        {"", {}},
        {"Dangling description", {}},
    };
    for (const auto& c : cases) EXPECT_EQ(toQtNameFilters(c.in), c.out) << c.in;
}

}  // namespace
}  // namespace velmora::testing
