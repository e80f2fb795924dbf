#include "app/preview_window.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWindow>
#include <stdexcept>

namespace velmora {

PaintBox::PaintBox(SharedPicture picture, QWidget* parent)
    : QWidget(parent), picture_(std::move(picture)) {
    setObjectName(QStringLiteral("PaintBox1"));
}

void PaintBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(0, 0, *picture_);
}

void PaintBox::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) window()->close();
}

TForm2::TForm2(SharedPicture picture, QWidget* owner)
    : QWidget(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint),
      PaintBox1(new PaintBox(picture, this)),
      picture_(std::move(picture)) {
    setObjectName(QStringLiteral("Form2"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Form2"));
    PaintBox1->setGeometry(0, 0, 121, 105);
    setFixedSize(175, 137);
}

void TForm2::showPicture(int number) {
    const int width = picture_->width();
    const int height = picture_->height();
    setWindowTitle(QStringLiteral("BackGround #%1  %2x%3").arg(number).arg(width).arg(height));
    // The outer size is the picture's; the frame and caption bar take their
    // room from it, as the window has always been sized.
    setFixedSize(width, height + kPreviewExtraHeight);
    move(kPreviewLeft, kPreviewTop);
    show();
    if (const QWindow* handle = windowHandle()) {
        const QMargins frame = handle->frameMargins();
        setFixedSize(width - frame.left() - frame.right(),
                     height + kPreviewExtraHeight - frame.top() - frame.bottom());
    }
    PaintBox1->setGeometry(0, 0, width, height);
    PaintBox1->repaint();
}

PreviewWindows::PreviewWindows(QWidget* owner) : owner_(owner) {}

void PreviewWindows::showPreview(const PreviewPicture& picture) {
    const auto bytesPerLine = static_cast<qsizetype>(picture.width) * 3;
    if (picture.width <= 0 || picture.height <= 0 ||
        picture.bgr.size() < static_cast<std::size_t>(bytesPerLine * picture.height))
        throw std::invalid_argument("The decoded picture has no pixels to show.");
    *picture_ = QImage(picture.bgr.data(), picture.width, picture.height, bytesPerLine,
                       QImage::Format_BGR888)
                    .copy();
    // Earlier windows still open repaint with the newest picture.
    for (const auto& window : windows_) {
        if (window != nullptr) window->PaintBox1->update();
    }
    std::erase_if(windows_, [](const QPointer<TForm2>& w) { return w == nullptr; });
    auto* window = new TForm2(picture_, owner_);
    windows_.emplace_back(window);
    window->showPicture(picture.number);
}

std::vector<TForm2*> PreviewWindows::openWindows() const {
    std::vector<TForm2*> open;
    for (const auto& window : windows_) {
        if (window != nullptr && window->isVisible()) open.push_back(window);
    }
    return open;
}

}  // namespace velmora
