// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's handlers: each one a few steps over the core.
#include <QAbstractButton>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTimer>
#include <array>
#include <cstdlib>
#include <optional>

#include "app/about_text.h"
#include "app/background_work.h"
#include "app/before_after_dialog.h"
#include "app/changes_shown_first.h"
#include "app/desktop_player.h"
#include "app/gui_thread_dialogs.h"
#include "app/main_window.h"
#include "app/source_thumbnail.h"
#include "catalogue/analysis.h"
#include "catalogue/working_copy.h"
#include "convert/source_intake.h"
#include "convert/tool_run.h"
#include "convert/work_dirs.h"
#include "firmware/file_io.h"
#include "media/preview_work_files.h"
#include "media/stream_extraction.h"
#include "rewrite/replace_picture.h"
#include "rewrite/replace_texts.h"

namespace velmora {
namespace {

constexpr std::array<int, 5> kColumnWidths = {15, 175, 65, 100, 100};
constexpr std::array<const char*, 5> kColumnTitles = {"N", "Picture", "Address", "Length", "Spare"};

// Keeps the command buttons disabled while an analysis runs: the scan lets the
// window process events, and a command started then would run inside it.
class CommandsDisabled {
  public:
    explicit CommandsDisabled(std::initializer_list<QWidget*> buttons) {
        for (QWidget* b : buttons) {
            saved_.emplace_back(b, b->isEnabled());
            b->setEnabled(false);
        }
    }
    ~CommandsDisabled() {
        for (auto& [button, enabled] : saved_) button->setEnabled(enabled);
    }
    CommandsDisabled(const CommandsDisabled&) = delete;
    CommandsDisabled& operator=(const CommandsDisabled&) = delete;

  private:
    std::vector<std::pair<QWidget*, bool>> saved_;
};

class BusyFlag {
  public:
    explicit BusyFlag(bool& flag) : flag_(flag) { flag_ = true; }
    ~BusyFlag() { flag_ = false; }
    BusyFlag(const BusyFlag&) = delete;
    BusyFlag& operator=(const BusyFlag&) = delete;

  private:
    bool& flag_;
};

}  // namespace

void TForm1::connectHandlers() {
    QObject::connect(BitBtn1, &QPushButton::clicked, this, [this] { Button2Click(); });
    QObject::connect(BitBtn2, &QPushButton::clicked, this, [this] { Button1Click(); });
    QObject::connect(BitBtn3, &QPushButton::clicked, this, [this] {
        if (busy_) {
            cancelWork();
        } else {
            Button3Click();
        }
    });
    QObject::connect(StringGrid1, &QTableWidget::currentCellChanged, this,
                     [this](int row, int column, int, int) {
                         if (row >= 0) StringGrid1SelectCell(column, row + 1);
                     });
    QObject::connect(StringGrid1, &QTableWidget::cellDoubleClicked, this,
                     [this](int, int) { View1Click(); });
    QObject::connect(StringGrid1, &QWidget::customContextMenuRequested, this,
                     [this](const QPoint& at) {
                         if (!hasSelectedPicture()) return;
                         PopupMenu1Popup();
                         PopupMenu1->exec(StringGrid1->viewport()->mapToGlobal(at));
                     });
    QObject::connect(View1, &QAction::triggered, this, [this] { View1Click(); });
    QObject::connect(Savevideo1, &QAction::triggered, this, [this] { Savevideo1Click(); });
    QObject::connect(Savepicture1, &QAction::triggered, this, [this] { Savepicture1Click(); });
    QObject::connect(SavePng1, &QAction::triggered, this, [this] { SavePng1Click(); });
    QObject::connect(Play1, &QAction::triggered, this, [this] { Play1Click(); });
    Panel5->onClick = [this] { Panel5Click(); };
}

void TForm1::FormCreate() {
    session_.ToolDir = chooseToolDir(currentDir(), executableDir());
    session_.TempDir = chooseTempDir();
    session_.Control->toolTimeout = toolTimeoutFrom(std::getenv("VELMORA_TOOL_TIMEOUT"));
    if (const auto problem = toolTimeoutProblem(std::getenv("VELMORA_TOOL_TIMEOUT")))
        Memo1->appendPlainText(QString::fromStdString(*problem));
    for (int column = 0; column < static_cast<int>(kColumnWidths.size()); ++column) {
        StringGrid1->setColumnWidth(column, kColumnWidths[static_cast<std::size_t>(column)]);
        StringGrid1->setHorizontalHeaderItem(
            column, new QTableWidgetItem(
                        QString::fromLatin1(kColumnTitles[static_cast<std::size_t>(column)])));
    }
}

void TForm1::claimWorkFolder() {
    if (workFolder_ != nullptr && workFolder_->path() == session_.TempDir) return;
    session_.TempDirDescriptor = -1;
    workFolder_.reset();  // a folder no longer worked in is let go first
    workFolder_ = std::make_unique<WorkFolderClaim>(session_.TempDir);
    session_.TempDir = workFolder_->path();
    session_.TempDirDescriptor = workFolder_->descriptor();
}

bool TForm1::finish(const std::function<Outcome()>& action) {
    claimWorkFolder();
    Outcome outcome;
    try {
        outcome = action();
    } catch (const std::exception& e) {
        // The core ends every action with an outcome; anything else (memory
        // running out) is told rather than losing the program.
        outcome = Outcome::refused("Error!", e.what());
    }
    tellPerson(outcome, *dialogs_);
    return outcome.isDone();
}

bool TForm1::runBusy(const std::function<Outcome(Dialogs&)>& action, Dialogs* person) {
    const BusyFlag busy(busy_);
    // The grid too: a row chosen meanwhile would change the picture the work acts on.
    const CommandsDisabled commands({BitBtn1, BitBtn2, BitBtn3, StringGrid1});
    session_.Control->clearCancel();
    // "Replace Image" is the Cancel button while the work runs.
    const QString caption = BitBtn3->text();
    BitBtn3->setText(QString::fromLatin1(kCancelCaption));
    BitBtn3->setEnabled(true);
    const bool done = finish([&] {
        GuiThreadDialogs ui(person != nullptr ? *person : *dialogs_, this);
        ui.watchCancel(session_.Control);
        ui.watchQuestions(&questionGate_);
        if (BeforeAfter1->isChecked())
            ui.beforeAfter = [this](const PendingReplacement& pending) {
                return showBeforeAfter(pending);
            };
        Outcome outcome;
        runInBackground([&] { outcome = action(ui); });
        return outcome;
    });
    BitBtn3->setText(caption);
    return done;
}

Answer TForm1::showBeforeAfter(const PendingReplacement& pending) {
    // The worker works on copies of its inputs: the window's session is as it was.
    QImage before;
    if (const PictureEntry* entry = session_.selected()) {
        const ByteImage stored = readImageFile(session_.FirmwarePath);
        before = pictureOfStream(extractPictureStream(stored, *entry, session_.ByteSwapped),
                                 entry->Kind);
    }
    BeforeAfterDialog look(before, pictureOfStream(pending.stream, pending.kind), pending.number,
                           this);
    switch (look.ask()) {
        case BeforeAfterDialog::Choice::Write:
            return Answer::Yes;
        case BeforeAfterDialog::Choice::DoNotWrite:
            return Answer::No;
        case BeforeAfterDialog::Choice::Closed:
            break;
    }
    return Answer::Cancelled;
}

void TForm1::cancelWork() {
    if (busy_) session_.Control->requestCancel();
}

void TForm1::closeIfAsked() {
    if (closeRequested_) close();
}

void TForm1::Button2Click() {
    if (busy_) return;
    const auto path = dialogs_->chooseOpenFile(kFirmwareFilter);
    if (!path) {
        BitBtn2->setEnabled(session_.PicturesFound);
        return;
    }
    analyseFirmwareFile(*path);
}

void TForm1::analyseFirmwareFile(const std::string& path) {
    if (busy_) return;
    if (memory_ != nullptr) memory_->addRecentFirmware(QString::fromStdString(path));
    StringGrid1->setEnabled(false);
    Panel2->setText(QString::fromStdString(fileNameOf(path)));
    StringGrid1->clearContents();
    StringGrid1->setRowCount(1);
    repaint();
    // The worker owns what it works on: a copy of the session, and of the path
    // (which may be the session's own); the window takes the session back once
    // the work has ended.
    Session work = session_;
    const bool finished = runBusy(
        [this, &work, firmware = path](Dialogs& ui) { return core_.analyze(work, ui, firmware); });
    session_ = std::move(work);
    showPictureRows();
    session_.SelectedPicture = 0;
    if (finished) {
        ProgressBar1->setValue(100);
        ChangeStat(session_.SourceOpened && session_.PicturesFound);
        StringGrid1->setEnabled(session_.PicturesFound);
        if (session_.PicturesFound) {
            BitBtn2->setEnabled(true);
            StringGrid1->setCurrentCell(0, 0);
            StringGrid1->selectRow(0);
        }
    } else {
        // A failed analysis leaves an empty table: nothing to replace.
        ChangeStat(false);
    }
    closeIfAsked();
}

void TForm1::showPictureRows() {
    const int count = session_.PictureCount;
    StringGrid1->setRowCount(count > 0 ? count : 1);
    for (int i = 0; i < count; ++i) {
        const PictureEntry& entry = session_.PictureTable[static_cast<std::size_t>(i)];
        const auto cells = core_.gridRow(entry, i + 1);
        for (int column = 0; column < static_cast<int>(cells.size()); ++column) {
            auto* item = new QTableWidgetItem(
                QString::fromStdString(cells[static_cast<std::size_t>(column)]));
            if (entry.PointerAddr == 0)
                item->setToolTip(QString::fromLatin1(kGridHint) + QStringLiteral("\n") +
                                 QString::fromLatin1(kUnreferencedHint));
            StringGrid1->setItem(i, column, item);
        }
    }
}

void TForm1::ChangeStat(bool on) {
    BitBtn3->setEnabled(on);
    CheckBox1->setEnabled(on);
}

void TForm1::Button1Click() {
    if (busy_) return;
    const PictureEntry* selected = session_.selected();
    const auto path = dialogs_->chooseOpenFile(sourceFilterFor(selected ? selected->Kind : 0));
    if (!path) return;  // the choice was cancelled: nothing changes
    openSource(*path);
}

void TForm1::openSource(const std::string& path) {
    if (!finish([&] {
            Result<ReplacementSource> accepted = core_.acceptSource(path, *dialogs_);
            if (!accepted.ok()) return accepted.outcome();
            static_cast<ReplacementSource&>(session_) = *accepted;
            return Outcome::done();
        }))
        return;
    const AcceptedSource& accepted = session_.SourceAccepted;
    GroupBox1->setEnabled(accepted.isJpeg);
    GroupBox2->setEnabled(accepted.isJpeg);
    ChangeStat(session_.SourceOpened && session_.PicturesFound);
    Panel1->setText(QString::fromStdString(accepted.panelCaption));
    Panel1->setToolTip(thumbnailToolTip(sourceThumbnail(session_.SourcePath),
                                        QString::fromStdString(accepted.panelCaption)));
}

ReplaceOptions TForm1::optionsFromControls() const {
    ReplaceOptions options;
    options.UseSpareSpace = CheckBox1->isChecked();
    options.Colors = RadioButton2->isChecked()   ? ColorMode::Colors256
                     : RadioButton3->isChecked() ? ColorMode::Colors16
                                                 : ColorMode::Colors24;
    options.Greyscale = CheckBox2->isChecked();
    options.Orientation = RadioButton4->isChecked()   ? Rotation::Rotate90
                          : RadioButton5->isChecked() ? Rotation::Rotate180
                          : RadioButton6->isChecked() ? Rotation::Rotate270
                                                      : Rotation::None;
    options.VMirror = CheckBox4->isChecked();
    options.HMirror = CheckBox3->isChecked();
    options.Encoder = EncoderTools1->isChecked() ? EncoderChoice::Tools : EncoderChoice::Builtin;
    options.Fit = FitCrop1->isChecked()     ? FitMode::Crop
                  : FitInside1->isChecked() ? FitMode::Fit
                                            : FitMode::Stretch;
    return options;
}

void TForm1::Button3Click() {
    if (busy_) return;
    if (!hasSelectedPicture()) {
        tellPerson(Outcome::refused(kErrorCaption, replace_text::kNoPictureSelected), *dialogs_);
        return;
    }
    session_.Options = optionsFromControls();
    // The person who sees the changed regions first, when asked for.
    ChangesShownFirst changesShown(*dialogs_);
    Dialogs* person = ShowChanges1->isChecked() ? &changesShown : dialogs_.get();
    const PictureEntry old = *session_.selected();
    const std::uint32_t freeBefore = session_.FreeSpaceAddr;
    // The inputs as they are now; what the replacement wrote is taken back
    // once the work has ended.
    const PictureTarget target = selectedPicture(session_);
    const ReplacementSource source = session_;
    const ReplaceOptions options = session_.Options;
    std::optional<WrittenFirmware> written;
    const bool replaced = runBusy(
        [&](Dialogs& ui) {
            Replacement replacement = core_.replace(target, source, options, ui);
            written = replacement.written;
            return replacement.outcome;
        },
        person);
    if (written) keepWritten(session_, *written);
    if (replaced && !closeRequested_) {
        // The grid must show the new addresses and sizes: analyse again and
        // stay on the picture just replaced; a move took it into the free area.
        int row = session_.SelectedPicture;
        const bool moved = session_.FreeSpaceAddr != freeBefore;
        const std::uint32_t start =
            moved ? freeBefore + static_cast<std::uint32_t>(old.isMpeg2() ? old.GapLength : 0)
                  : old.Start;
        analyseFirmwareFile(session_.FirmwarePath);
        for (int i = 0; i < session_.PictureCount; ++i)
            if (session_.PictureTable[static_cast<std::size_t>(i)].Start == start) row = i;
        if (row >= 0 && row < session_.PictureCount) {
            StringGrid1->setCurrentCell(row, 0);
            StringGrid1->selectRow(row);
        }
    }
    closeIfAsked();
}

void TForm1::StringGrid1SelectCell(int, int row) {
    session_.SelectedPicture = row - 1;
    StringGrid1->viewport()->update();
}

bool TForm1::hasSelectedPicture() const {
    return session_.selected() != nullptr;
}

void TForm1::PopupMenu1Popup() {
    const PictureEntry* picture = session_.selected();
    Savepicture1->setEnabled(picture != nullptr && picture->isMpeg2());
    Play1->setEnabled(picture != nullptr && !picture->isMpeg2());
    View1->setEnabled(true);
    Savevideo1->setEnabled(true);
    SavePng1->setEnabled(picture != nullptr);
}

void TForm1::View1Click() {
    if (busy_ || !hasSelectedPicture()) return;
    runBusy([this, target = selectedPicture(session_)](Dialogs&) {
        GuiThreadPreviews previews(previews_, this);
        return core_.view(target, previews);
    });
    closeIfAsked();
}

void TForm1::Play1Click() {
    // The busy check comes first: the work may be changing the session.
    if (busy_) return;
    const PictureEntry* picture = session_.selected();
    if (picture == nullptr || picture->isMpeg2()) return;
    if (!desktopHasPlayerFor(QStringLiteral("picture.m4v"))) {
        tellPerson(Outcome::refused(kNoPlayerCaption, kNoPlayerText), *dialogs_);
        return;
    }
    runBusy(
        [this, target = selectedPicture(session_)](Dialogs& ui) { return core_.play(target, ui); });
    closeIfAsked();
}

void TForm1::Savevideo1Click() {
    if (busy_ || !hasSelectedPicture()) return;
    runBusy([this, target = selectedPicture(session_)](Dialogs& ui) {
        return core_.saveVideo(target, ui);
    });
    closeIfAsked();
}

void TForm1::Savepicture1Click() {
    if (busy_) return;
    const PictureEntry* picture = session_.selected();
    if (picture == nullptr || !picture->isMpeg2()) return;
    runBusy([this, target = selectedPicture(session_)](Dialogs& ui) {
        return core_.savePicture(target, ui);
    });
    closeIfAsked();
}

void TForm1::SavePng1Click() {
    if (busy_ || !hasSelectedPicture()) return;
    runBusy([this, target = selectedPicture(session_)](Dialogs& ui) {
        return core_.savePng(target, ui);
    });
    closeIfAsked();
}

void TForm1::FormClose() {
    if (memory_ != nullptr) memory_->saveGeometry(*this);
    for (const char* name : {kWorkingCopy, kPreviewMpeg4})
        removeFileIfExists(session_.workFile(name));
}

void TForm1::Panel5Click() {
    // Running work waits while the box is open, so that its own boxes do not open over it.
    const bool held = questionGate_.tryOpenQuestion();
    dialogs_->information(kAboutCaption, aboutText(VELMORA_VERSION));
    if (held) questionGate_.closeQuestion();
}

void TForm1::closeEvent(QCloseEvent* event) {
    // Closing during work cancels it, once the person agrees, and takes
    // effect when it has ended, so the work files are not deleted under it.
    // The work waits before it writes or asks anything until the question is
    // answered; while it writes (milliseconds), the question waits instead.
    if (busy_) {
        event->ignore();
        if (closeRequested_ || askingToClose_) return;
        if (!questionGate_.tryOpenQuestion()) {
            QTimer::singleShot(10, this, [this] { close(); });
            return;
        }
        askingToClose_ = true;
        const Answer answer =
            dialogs_->ask(Question::CancelWork, kCloseDuringWorkCaption, kCloseDuringWorkText);
        if (answer == Answer::Yes) {
            closeRequested_ = true;
            cancelWork();
        }
        askingToClose_ = false;
        questionGate_.closeQuestion();
        return;
    }
    FormClose();
    event->accept();
}

}  // namespace velmora
