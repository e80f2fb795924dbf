// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/before_after_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

#include "catalogue/picture_table.h"
#include "media/display_aspect.h"
#include "media/first_picture.h"

namespace velmora {
namespace {

// The picture as the TV shows it (its pixels' shape), or as stored.
QImage inShape(const QImage& picture, bool storedPixels) {
    const int tvWidth = picture.text(QString::fromLatin1(kDisplayWidthKey)).toInt();
    if (storedPixels || tvWidth <= 0 || tvWidth == picture.width()) return picture;
    return picture.scaled(tvWidth, picture.height(), Qt::IgnoreAspectRatio,
                          Qt::SmoothTransformation);
}

void showIn(QLabel* label, const QImage& stored, bool storedPixels) {
    if (stored.isNull()) {
        label->setText(QStringLiteral("(cannot be shown)"));
        return;
    }
    const QImage picture = inShape(stored, storedPixels);
    const QImage shown = picture.width() > kBeforeAfterWidth
                             ? picture.scaledToWidth(kBeforeAfterWidth, Qt::SmoothTransformation)
                             : picture;
    label->setPixmap(QPixmap::fromImage(shown));
}

QLabel* pictureLabel(const QImage& picture, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setAlignment(Qt::AlignCenter);
    showIn(label, picture, false);
    return label;
}

}  // namespace

BeforeAfterDialog::BeforeAfterDialog(const QImage& before, const QImage& after, int number,
                                     QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("BeforeAfter"));
    setWindowTitle(QStringLiteral("Picture #%1: before / after").arg(number));
    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel(QStringLiteral("Before"), this), 0, 0, Qt::AlignCenter);
    grid->addWidget(new QLabel(QStringLiteral("After"), this), 0, 1, Qt::AlignCenter);
    QLabel* beforeLabel = pictureLabel(before, this);
    QLabel* afterLabel = pictureLabel(after, this);
    grid->addWidget(beforeLabel, 1, 0);
    grid->addWidget(afterLabel, 1, 1);
    auto* storedPixels = new QCheckBox(QStringLiteral("Show the stored pixels"), this);
    storedPixels->setObjectName(QStringLiteral("StoredPixels"));
    // The check box must not take the Enter that writes, nor the focus from the buttons.
    storedPixels->setFocusPolicy(Qt::NoFocus);
    QObject::connect(storedPixels, &QCheckBox::toggled, this, [=](bool stored) {
        showIn(beforeLabel, before, stored);
        showIn(afterLabel, after, stored);
    });
    grid->addWidget(storedPixels, 3, 0, 1, 2);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* write =
        buttons->addButton(QStringLiteral("Write it"), QDialogButtonBox::AcceptRole);
    QPushButton* skip =
        buttons->addButton(QStringLiteral("Do not write"), QDialogButtonBox::RejectRole);
    write->setObjectName(QStringLiteral("Write"));
    skip->setObjectName(QStringLiteral("DoNotWrite"));
    QObject::connect(write, &QPushButton::clicked, this, [this] {
        choice_ = Choice::Write;
        accept();
    });
    QObject::connect(skip, &QPushButton::clicked, this, [this] {
        choice_ = Choice::DoNotWrite;
        reject();
    });
    grid->addWidget(buttons, 2, 0, 1, 2);
}

BeforeAfterDialog::Choice BeforeAfterDialog::ask() {
    choice_ = Choice::Closed;
    exec();
    return choice_;
}

QImage pictureOfStream(std::span<const std::uint8_t> stream, int kind) {
    const FirstPicture decoded =
        decodeFirstPicture(stream, kind == kKindMpeg2 ? VideoCodec::Mpeg2 : VideoCodec::Mpeg4);
    if (!decoded.picture) return {};
    const BgrPicture& p = *decoded.picture;
    QImage picture = QImage(p.pixels.data(), p.width, p.height, static_cast<qsizetype>(p.width) * 3,
                            QImage::Format_BGR888)
                         .copy();
    picture.setText(QString::fromLatin1(kDisplayWidthKey),
                    QString::number(displayWidth(p.width, PixelAspect{p.aspectNum, p.aspectDen})));
    return picture;
}

}  // namespace velmora
