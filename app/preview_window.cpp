// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/preview_window.h"

#include <QAction>
#include <QGuiApplication>
#include <QKeySequence>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QShortcut>
#include <QWindow>
#include <stdexcept>

namespace velmora {

PaintBox::PaintBox(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("PaintBox1"));
}

void PaintBox::setPicture(const QImage& picture) {
    picture_ = picture;
    update();
}

void PaintBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(0, 0, picture_);
}

void PaintBox::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) window()->close();
}

TForm2::TForm2(QWidget* owner)
    : QWidget(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint), PaintBox1(new PaintBox(this)) {
    setObjectName(QStringLiteral("Form2"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Form2"));
    PaintBox1->setGeometry(0, 0, 121, 105);
    setFixedSize(175, 137);
    StoredPixels1 = new QAction(QStringLiteral("Show the stored pixels"), this);
    StoredPixels1->setObjectName(QStringLiteral("StoredPixels1"));
    StoredPixels1->setCheckable(true);
    addAction(StoredPixels1);
    setContextMenuPolicy(Qt::ActionsContextMenu);
    QObject::connect(StoredPixels1, &QAction::toggled, this, [this] { lay(); });
    for (const QKeySequence& keys :
         {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)}) {
        auto* shortcut = new QShortcut(keys, this);
        QObject::connect(shortcut, &QShortcut::activated, this, &QWidget::close);
    }
}

void TForm2::showPicture(const QImage& picture, int number, int displayWidth) {
    picture_ = picture;
    displayWidth_ = displayWidth;
    // The title names the stored size, whatever shape the picture is shown in.
    setWindowTitle(QStringLiteral("BackGround #%1  %2x%3")
                       .arg(number)
                       .arg(picture.width())
                       .arg(picture.height()));
    lay();
    move(kPreviewLeft, kPreviewTop);
    show();
    fitInsideToFrame();
    PaintBox1->repaint();
}

void TForm2::lay() {
    if (picture_.isNull()) return;
    const QScreen* screen =
        parentWidget() != nullptr ? parentWidget()->screen() : QGuiApplication::primaryScreen();
    const QWindow* handle = windowHandle();
    // Framed by a window manager, the inside is exactly the picture and the
    // frame takes the room; unframed, the designed extra height stands for it.
    const QMargins frame = handle != nullptr ? handle->frameMargins() : QMargins();
    const QSize around = frame.isNull()
                             ? QSize(0, kPreviewExtraHeight)
                             : QSize(frame.left() + frame.right(), frame.top() + frame.bottom());
    const bool asTheTvShowsIt = !StoredPixels1->isChecked() && displayWidth_ > 0;
    const QSize wanted(asTheTvShowsIt ? displayWidth_ : picture_.width(), picture_.height());
    QSize room = wanted;
    if (screen != nullptr) {
        const QRect available = screen->availableGeometry();
        room = QSize(available.right() + 1 - kPreviewLeft - around.width(),
                     available.bottom() + 1 - kPreviewTop - around.height());
    }
    const QSize shown = fittedPictureSize(wanted, room);
    PaintBox1->setPicture(shown == picture_.size() ? picture_
                                                   : picture_.scaled(shown, Qt::IgnoreAspectRatio,
                                                                     Qt::SmoothTransformation));
    PaintBox1->setGeometry(0, 0, shown.width(), shown.height());
    // Set before the size, so the resize this causes does not lay it again.
    appliedFrame_ = frame;
    setFixedSize(frame.isNull() ? QSize(shown.width(), shown.height() + kPreviewExtraHeight)
                                : shown);
}

void TForm2::fitInsideToFrame() {
    // The frame is known only once the window system has framed the window.
    const QWindow* handle = windowHandle();
    if (handle == nullptr || picture_.isNull()) return;
    if (handle->frameMargins() == appliedFrame_) return;
    lay();
}

void TForm2::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    if (onClose) onClose();
}

void TForm2::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    fitInsideToFrame();
}

void TForm2::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    fitInsideToFrame();
}

QSize fittedPictureSize(QSize picture, QSize room) {
    if (picture.width() <= room.width() && picture.height() <= room.height()) return picture;
    if (room.width() <= 0 || room.height() <= 0) return picture;
    return picture.scaled(room, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
}

PreviewWindows::PreviewWindows(QWidget* owner) : owner_(owner) {}

void PreviewWindows::showPreview(const PreviewPicture& picture) {
    const auto bytesPerLine = static_cast<qsizetype>(picture.width) * 3;
    if (picture.width <= 0 || picture.height <= 0 ||
        picture.bgr.size() < static_cast<std::size_t>(bytesPerLine * picture.height))
        throw std::invalid_argument("The decoded picture has no pixels to show.");
    newest_ = QImage(picture.bgr.data(), picture.width, picture.height, bytesPerLine,
                     QImage::Format_BGR888)
                  .copy();
    std::erase_if(windows_, [](const QPointer<TForm2>& w) { return w == nullptr; });
    auto* window = new TForm2(owner_);
    windows_.emplace_back(window);
    window->onClose = [this] {
        if (afterClose) afterClose();
    };
    window->showPicture(newest_, picture.number, picture.displayWidth);
}

std::vector<TForm2*> PreviewWindows::openWindows() const {
    std::vector<TForm2*> open;
    for (const auto& window : windows_) {
        if (window != nullptr && window->isVisible()) open.push_back(window);
    }
    return open;
}

}  // namespace velmora
