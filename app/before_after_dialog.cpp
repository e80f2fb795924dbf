// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/before_after_dialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

#include "catalogue/picture_table.h"
#include "media/first_picture.h"

namespace velmora {
namespace {

QLabel* pictureLabel(const QImage& picture, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setAlignment(Qt::AlignCenter);
    if (picture.isNull()) {
        label->setText(QStringLiteral("(cannot be shown)"));
        return label;
    }
    const QImage shown = picture.width() > kBeforeAfterWidth
                             ? picture.scaledToWidth(kBeforeAfterWidth, Qt::SmoothTransformation)
                             : picture;
    label->setPixmap(QPixmap::fromImage(shown));
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
    grid->addWidget(pictureLabel(before, this), 1, 0);
    grid->addWidget(pictureLabel(after, this), 1, 1);
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
    return QImage(p.pixels.data(), p.width, p.height, static_cast<qsizetype>(p.width) * 3,
                  QImage::Format_BGR888)
        .copy();
}

}  // namespace velmora
