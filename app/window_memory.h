// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QSettings>
#include <QString>
#include <QStringList>
#include <memory>

class QWidget;

namespace velmora {

// What the window remembers between runs: the last folder of each file
// dialog, the recent firmware files, its own place and size.
class WindowMemory {
  public:
    // The user's settings of this program.
    WindowMemory();
    // Settings kept in this INI file (tests).
    explicit WindowMemory(const QString& iniFile);

    [[nodiscard]] QString folder(const QString& dialog) const;
    void setFolder(const QString& dialog, const QString& folder);

    // Newest first, at most kRecentFirmwareCount, each path once.
    [[nodiscard]] QStringList recentFirmware() const;
    void addRecentFirmware(const QString& path);

    // The encoder and fit chosen last, as the index of the window's choice
    // (0: the built-in encoder, stretch).
    [[nodiscard]] int encoderChoice() const;
    void setEncoderChoice(int index);
    [[nodiscard]] int fitChoice() const;
    void setFitChoice(int index);

    void restoreGeometry(QWidget& window) const;
    void saveGeometry(const QWidget& window);

  private:
    std::unique_ptr<QSettings> settings_;
};

inline constexpr int kRecentFirmwareCount = 8;

}  // namespace velmora
