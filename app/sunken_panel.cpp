// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/sunken_panel.h"

#include <QMouseEvent>

namespace velmora {

SunkenPanel::SunkenPanel(QWidget* parent) : QLabel(parent) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(1);
    setAlignment(Qt::AlignCenter);
}

void SunkenPanel::mouseReleaseEvent(QMouseEvent* event) {
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) &&
        onClick)
        onClick();
}

}  // namespace velmora
