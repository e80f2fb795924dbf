// SPDX-License-Identifier: GPL-3.0-or-later
// velmora [FIRMWARE]: the window; a FIRMWARE given (as the desktop's "open
// with" does) is analysed right after start-up. Hidden options for the
// documentation screenshot:
//   --open FIRMWARE    the same as FIRMWARE
//   --screenshot PNG   saves a picture of the window to PNG and quits
#include <QApplication>
#include <QPixmap>
#include <QTimer>
#include <iostream>
#include <memory>

#include "app/main_window.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velmora"));

    QString firmware;
    QString screenshot;
    const QStringList args = QApplication::arguments();
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--open") && i + 1 < args.size()) {
            firmware = args[++i];
        } else if (args[i] == QLatin1String("--screenshot") && i + 1 < args.size()) {
            screenshot = args[++i];
        } else if (!args[i].startsWith(QLatin1Char('-')) && firmware.isEmpty()) {
            firmware = args[i];
        } else {
            std::cerr << "usage: velmora [FIRMWARE]\n";
            return 2;
        }
    }

    velmora::TForm1 form;
    form.remember(std::make_unique<velmora::WindowMemory>());
    form.show();
    QTimer::singleShot(0, &form, [&] {
        if (!firmware.isEmpty()) form.analyseFirmwareFile(firmware.toStdString());
        if (screenshot.isEmpty()) return;
        // Give the window a moment to settle before it is photographed.
        QTimer::singleShot(300, &form, [&] {
            const bool saved = form.grab().save(screenshot, "PNG");
            if (!saved) std::cerr << "cannot save " << screenshot.toStdString() << '\n';
            QApplication::exit(saved ? 0 : 1);
        });
    });
    return QApplication::exec();
}
