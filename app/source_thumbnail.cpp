// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/source_thumbnail.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <span>

#include "app/before_after_dialog.h"
#include "catalogue/picture_table.h"
#include "convert/source_intake.h"

namespace velmora {
namespace {

const QSize kThumbnailBox(kThumbnailWidth, kThumbnailHeight);

QImage streamFirstFrame(const std::string& path) {
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly)) return {};
    const QByteArray data = file.readAll();
    const std::span<const std::uint8_t> bytes(
        reinterpret_cast<const std::uint8_t*>(data.constData()),
        static_cast<std::size_t>(data.size()));
    // The extension does not say which MPEG it is (.mpg serves both).
    QImage picture = pictureOfStream(bytes, kKindMpeg2);
    return picture.isNull() ? pictureOfStream(bytes, kKindMpeg4) : picture;
}

}  // namespace

QImage sourceThumbnail(const std::string& path) {
    QImage full;
    if (isJpegSource(path)) {
        QImageReader reader(QString::fromStdString(path));
        full = reader.read();
    } else {
        full = streamFirstFrame(path);
    }
    if (full.isNull()) return {};
    return full.scaled(kThumbnailBox, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

QString thumbnailToolTip(const QImage& thumbnail, const QString& name) {
    if (thumbnail.isNull()) return name.toHtmlEscaped();
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    thumbnail.save(&buffer, "PNG");
    return QStringLiteral("<img src=\"data:image/png;base64,%1\"><br>%2")
        .arg(QString::fromLatin1(png.toBase64()), name.toHtmlEscaped());
}

}  // namespace velmora
