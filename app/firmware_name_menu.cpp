// SPDX-License-Identifier: GPL-3.0-or-later
// The firmware name panel's own menu: put the kept original back, and the
// option to see a replacement's changes before they are written.
#include <QMenu>

#include "app/main_window.h"
#include "rewrite/restore_original.h"

namespace velmora {

void TForm1::createFirmwareNameMenu() {
    Panel2Menu = new QMenu(this);
    Panel2Menu->setObjectName(QStringLiteral("Panel2Menu"));
    Restore1 = Panel2Menu->addAction(QStringLiteral("Restore the original firmware"));
    Restore1->setObjectName(QStringLiteral("Restore1"));
    ShowChanges1 = Panel2Menu->addAction(QStringLiteral("Show the changes before writing"));
    ShowChanges1->setObjectName(QStringLiteral("ShowChanges1"));
    ShowChanges1->setCheckable(true);
    Panel2->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(Panel2, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        Restore1->setEnabled(!busy_ && !session_.FirmwarePath.empty());
        Panel2Menu->exec(Panel2->mapToGlobal(at));
    });
    QObject::connect(Restore1, &QAction::triggered, this, [this] { Restore1Click(); });
}

void TForm1::Restore1Click() {
    if (busy_ || session_.FirmwarePath.empty()) return;
    const std::string path = session_.FirmwarePath;
    const Answer answer = dialogs_->ask(Question::Restore, kRestoreCaption, restoreQuestion(path));
    if (answer == Answer::No) return;
    const bool restored = finish([&] {
        return answer == Answer::Yes ? core_.restore(path, *dialogs_) : Outcome::cancelled();
    });
    // What the grid shows belongs to the replaced firmware: analyse again.
    if (restored) analyseFirmwareFile(path);
}

}  // namespace velmora
