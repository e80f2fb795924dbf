// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/window_memory.h"

#include <QByteArray>
#include <QWidget>

namespace velmora {
namespace {

const QString kRecentKey = QStringLiteral("recentFirmware");
const QString kGeometryKey = QStringLiteral("window/geometry");
const QString kEncoderKey = QStringLiteral("options/encoder");
const QString kFitKey = QStringLiteral("options/fit");

// A remembered index, or 0 when none or one out of range was kept.
int choiceIn(const QSettings& settings, const QString& key, int count) {
    const int index = settings.value(key, 0).toInt();
    return index >= 0 && index < count ? index : 0;
}

QString folderKey(const QString& dialog) {
    // The dialog is named by its filter, which may hold '/' and other signs
    // that settings keys give a meaning.
    return QStringLiteral("folders/") +
           QString::fromLatin1(dialog.toUtf8().toBase64(QByteArray::Base64UrlEncoding |
                                                        QByteArray::OmitTrailingEquals));
}

}  // namespace

WindowMemory::WindowMemory()
    : settings_(std::make_unique<QSettings>(QStringLiteral("Velmora"), QStringLiteral("Velmora"))) {
}

WindowMemory::WindowMemory(const QString& iniFile)
    : settings_(std::make_unique<QSettings>(iniFile, QSettings::IniFormat)) {}

QString WindowMemory::folder(const QString& dialog) const {
    return settings_->value(folderKey(dialog)).toString();
}

void WindowMemory::setFolder(const QString& dialog, const QString& folder) {
    settings_->setValue(folderKey(dialog), folder);
}

QStringList WindowMemory::recentFirmware() const {
    return settings_->value(kRecentKey).toStringList();
}

void WindowMemory::addRecentFirmware(const QString& path) {
    QStringList recent = recentFirmware();
    recent.removeAll(path);
    recent.prepend(path);
    while (recent.size() > kRecentFirmwareCount) recent.removeLast();
    settings_->setValue(kRecentKey, recent);
}

int WindowMemory::encoderChoice() const {
    return choiceIn(*settings_, kEncoderKey, 2);
}

void WindowMemory::setEncoderChoice(int index) {
    settings_->setValue(kEncoderKey, index);
}

int WindowMemory::fitChoice() const {
    return choiceIn(*settings_, kFitKey, 3);
}

void WindowMemory::setFitChoice(int index) {
    settings_->setValue(kFitKey, index);
}

void WindowMemory::restoreGeometry(QWidget& window) const {
    const QByteArray saved = settings_->value(kGeometryKey).toByteArray();
    if (!saved.isEmpty()) window.restoreGeometry(saved);
}

void WindowMemory::saveGeometry(const QWidget& window) {
    settings_->setValue(kGeometryKey, window.saveGeometry());
    settings_->sync();
}

}  // namespace velmora
