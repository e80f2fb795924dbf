// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/desktop_player.h"

#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>

namespace velmora {

bool desktopHasPlayerFor(const QString& path) {
    const QString xdgMime = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
    if (xdgMime.isEmpty()) return false;
    const QString type =
        QMimeDatabase().mimeTypeForFile(path, QMimeDatabase::MatchExtension).name();
    QProcess query;
    query.start(xdgMime, {QStringLiteral("query"), QStringLiteral("default"), type});
    if (!query.waitForFinished(5000)) return false;
    return !query.readAllStandardOutput().trimmed().isEmpty();
}

}  // namespace velmora
