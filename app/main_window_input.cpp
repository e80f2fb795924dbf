// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's keys, dropped files and room: what a desktop user reaches for.
#include <QAction>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QTableWidget>
#include <QUrl>
#include <algorithm>
#include <functional>
#include <vector>

#include "app/dropped_files.h"
#include "app/gui_thread_dialogs.h"
#include "app/main_window.h"
#include "app/qt_dialogs.h"

namespace velmora {
namespace {

// The one local file a drag carries, or none.
std::optional<std::string> draggedFile(const QMimeData* data) {
    if (data == nullptr || !data->hasUrls() || data->urls().size() != 1) return std::nullopt;
    const QUrl url = data->urls().constFirst();
    if (!url.isLocalFile()) return std::nullopt;
    return url.toLocalFile().toStdString();
}

// Runs an action for plain presses of some keys on the watched widget.
class KeyAction : public QObject {
  public:
    KeyAction(std::vector<int> keys, std::function<void()> action, QObject* parent)
        : QObject(parent), keys_(std::move(keys)), action_(std::move(action)) {}

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress) {
            const auto* press = static_cast<QKeyEvent*>(event);
            if (press->modifiers() == Qt::NoModifier || press->modifiers() == Qt::KeypadModifier) {
                if (std::find(keys_.begin(), keys_.end(), press->key()) != keys_.end()) {
                    action_();
                    return true;
                }
            }
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    std::vector<int> keys_;
    std::function<void()> action_;
};

}  // namespace

void TForm1::createShortcuts() {
    const auto onKeys = [this](const QKeySequence& keys, auto action) {
        auto* shortcut = new QShortcut(keys, this);
        QObject::connect(shortcut, &QShortcut::activated, this, action);
    };
    // Buttons keep their enabled states: a key does what a click could.
    const auto clickIfEnabled = [this](QPushButton* button) {
        return [this, button] {
            if (!busy_ && button->isEnabled()) button->click();
        };
    };
    onKeys(QKeySequence(Qt::CTRL | Qt::Key_O), clickIfEnabled(BitBtn1));
    onKeys(QKeySequence(Qt::CTRL | Qt::Key_I), clickIfEnabled(BitBtn2));
    onKeys(QKeySequence(Qt::CTRL | Qt::Key_R), clickIfEnabled(BitBtn3));
    onKeys(QKeySequence(Qt::CTRL | Qt::Key_S), [this] {
        if (StringGrid1->isEnabled()) Savevideo1Click();
    });
    onKeys(QKeySequence(Qt::CTRL | Qt::Key_T), [this] {
        if (StringGrid1->isEnabled()) Savepicture1Click();
    });
    onKeys(QKeySequence(Qt::Key_F1), [this] { Panel5Click(); });
    onKeys(QKeySequence(Qt::CTRL | Qt::Key_Q), [this] { close(); });
    onKeys(QKeySequence(Qt::Key_Escape), [this] { cancelWork(); });
    // Enter and Space on the grid view the picture (the grid would take Space
    // for itself before a shortcut saw it).
    StringGrid1->installEventFilter(new KeyAction(
        {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Space}, [this] { View1Click(); }, StringGrid1));

    // Tab leaves the grid and the log instead of moving inside them.
    StringGrid1->setTabKeyNavigation(false);
    Memo1->setTabChangesFocus(true);
    for (QPushButton* button : {BitBtn1, BitBtn2, BitBtn3}) button->setFocusPolicy(Qt::StrongFocus);

    // The recent firmware files hang on "Open Firmware file", by right-click.
    BitBtn1->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(BitBtn1, &QWidget::customContextMenuRequested, this,
                     [this](const QPoint& at) { recentMenu()->popup(BitBtn1->mapToGlobal(at)); });
}

bool TForm1::canOpenDropped(DroppedFile kind) const {
    // Only where the button of that step could be clicked.
    switch (kind) {
        case DroppedFile::Firmware:
            return BitBtn1->isEnabled();
        case DroppedFile::ReplacementSource:
            return BitBtn2->isEnabled();
        case DroppedFile::Other:
            return false;
    }
    return false;
}

void TForm1::dragEnterEvent(QDragEnterEvent* event) {
    const auto path = draggedFile(event->mimeData());
    if (!busy_ && path && canOpenDropped(droppedFileKind(*path))) {
        event->acceptProposedAction();
        return;
    }
    event->ignore();
}

void TForm1::dropEvent(QDropEvent* event) {
    const auto path = draggedFile(event->mimeData());
    if (busy_ || !path) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    openDroppedFile(*path);
}

void TForm1::openDroppedFile(const std::string& path) {
    const DroppedFile kind = droppedFileKind(path);
    if (busy_ || !canOpenDropped(kind)) return;
    if (kind == DroppedFile::Firmware) {
        analyseFirmwareFile(path);
    } else {
        openSource(path);
    }
}

void TForm1::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layOutForSize(size());
}

void TForm1::layOutForSize(const QSize& size) {
    // The designed places are for 499 x 499; room beyond that goes to the
    // grid and the log (half each in height), and the panels grow in width.
    const int wider = size.width() - kDesignedWidth;
    const int taller = size.height() - kDesignedHeight;
    const int gridTaller = taller / 2;
    const int logTaller = taller - gridTaller;
    Panel2->setGeometry(160, 8, 337 + wider, 25);
    ProgressBar1->setGeometry(160, 32, 337 + wider, 9);
    RadioGroup1->setGeometry(24, 40, 473 + wider, 145 + gridTaller);
    StringGrid1->setGeometry(28, 56, 464 + wider, 121 + gridTaller);
    for (const auto& [below, designed] : belowGrid_)
        below->move(designed.x(), designed.y() + gridTaller);
    Panel1->setGeometry(160, 192 + gridTaller, 337 + wider, 25);
    Memo1->setGeometry(24, 296 + gridTaller, 473 + wider, 185 + logTaller);
    Panel5->setGeometry(2, 480 + taller, 325 + wider, 17);
    Panel3->setGeometry(328 + wider, 480 + taller, 41, 17);
    Panel4->setGeometry(370 + wider, 480 + taller, 127, 17);
}

void TForm1::fitOnScreen() {
    const QScreen* where = screen();
    if (where == nullptr) return;
    // On a small screen (a high scale factor) the window starts smaller and
    // nearer the corner, so that all of it, frame included, can be seen.
    constexpr int kFrameAllowance = 40;
    const QRect available = where->availableGeometry();
    const int width = std::min(kDesignedWidth, available.width() - 8);
    const int height = std::min(kDesignedHeight, available.height() - kFrameAllowance);
    if (width == kDesignedWidth && height == kDesignedHeight) return;
    setMinimumSize(std::min(minimumWidth(), width), std::min(minimumHeight(), height));
    resize(width, height);
    const int right = std::max(available.left(), available.right() + 1 - width - 8);
    const int bottom = std::max(available.top(), available.bottom() + 1 - height - kFrameAllowance);
    move(std::clamp(x(), available.left(), right), std::clamp(y(), available.top(), bottom));
}

void TForm1::rememberChoices(const QList<QAction*>& choices, int remembered,
                             const std::function<void(int)>& keep) {
    if (remembered >= 0 && remembered < choices.size()) choices[remembered]->setChecked(true);
    for (int index = 0; index < choices.size(); ++index) {
        QObject::connect(choices[index], &QAction::toggled, this, [keep, index](bool checked) {
            if (checked) keep(index);
        });
    }
}

void TForm1::remember(std::unique_ptr<WindowMemory> memory) {
    memory_ = std::move(memory);
    memory_->restoreGeometry(*this);
    rememberChoices({EncoderBuiltin1, EncoderTools1}, memory_->encoderChoice(),
                    [this](int index) { memory_->setEncoderChoice(index); });
    rememberChoices({FitStretch1, FitCrop1, FitInside1}, memory_->fitChoice(),
                    [this](int index) { memory_->setFitChoice(index); });
    if (auto* real = dynamic_cast<QtDialogs*>(dialogs_.get()))
        real->rememberFoldersIn(memory_.get());
}

QMenu* TForm1::recentMenu() {
    if (recentMenu_ == nullptr) {
        recentMenu_ = new QMenu(this);
        recentMenu_->setObjectName(QStringLiteral("RecentMenu"));
    }
    recentMenu_->clear();
    const QStringList recent = memory_ != nullptr ? memory_->recentFirmware() : QStringList();
    for (const QString& path : recent) {
        QAction* item = recentMenu_->addAction(path);
        QObject::connect(item, &QAction::triggered, this, [this, path] {
            if (!busy_ && BitBtn1->isEnabled()) analyseFirmwareFile(path.toStdString());
        });
    }
    if (recent.isEmpty())
        recentMenu_->addAction(QStringLiteral("No recent firmware files"))->setEnabled(false);
    return recentMenu_;
}

}  // namespace velmora
