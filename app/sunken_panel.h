// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLabel>
#include <functional>

namespace velmora {

// A sunken panel with a centred caption that can report a click.
class SunkenPanel : public QLabel {
  public:
    explicit SunkenPanel(QWidget* parent);

    std::function<void()> onClick;

  protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

}  // namespace velmora
