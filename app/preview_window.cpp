// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/preview_window.h"

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
    for (const QKeySequence& keys :
         {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)}) {
        auto* shortcut = new QShortcut(keys, this);
        QObject::connect(shortcut, &QShortcut::activated, this, &QWidget::close);
    }
}

void TForm2::showPicture(const QImage& picture, int number) {
    setWindowTitle(QStringLiteral("BackGround #%1  %2x%3")
                       .arg(number)
                       .arg(picture.width())
                       .arg(picture.height()));
    const QScreen* screen =
        parentWidget() != nullptr ? parentWidget()->screen() : QGuiApplication::primaryScreen();
    QSize room(picture.width(), picture.height());
    if (screen != nullptr) {
        const QRect available = screen->availableGeometry();
        room = QSize(available.right() + 1 - kPreviewLeft,
                     available.bottom() + 1 - kPreviewTop - kPreviewExtraHeight);
    }
    const QSize shown = fittedPictureSize(picture.size(), room);
    PaintBox1->setPicture(shown == picture.size() ? picture
                                                  : picture.scaled(shown, Qt::IgnoreAspectRatio,
                                                                   Qt::SmoothTransformation));
    PaintBox1->setGeometry(0, 0, shown.width(), shown.height());
    outer_ = QSize(shown.width(), shown.height() + kPreviewExtraHeight);
    appliedFrame_ = QMargins();
    setFixedSize(outer_);
    move(kPreviewLeft, kPreviewTop);
    show();
    fitInsideToFrame();
    PaintBox1->repaint();
}

void TForm2::fitInsideToFrame() {
    const QWindow* handle = windowHandle();
    if (handle == nullptr || outer_.isEmpty()) return;
    const QMargins frame = handle->frameMargins();
    if (frame == appliedFrame_) return;
    appliedFrame_ = frame;
    setFixedSize(outer_.width() - frame.left() - frame.right(),
                 outer_.height() - frame.top() - frame.bottom());
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
    window->showPicture(newest_, picture.number);
}

std::vector<TForm2*> PreviewWindows::openWindows() const {
    std::vector<TForm2*> open;
    for (const auto& window : windows_) {
        if (window != nullptr && window->isVisible()) open.push_back(window);
    }
    return open;
}

}  // namespace velmora
