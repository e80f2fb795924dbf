// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <QImage>
#include <cstdint>
#include <span>

class QLabel;

namespace velmora {

// The picture now in the firmware beside the one about to be written, before
// anything is written, each as the TV shows it (or, ticked, its stored pixels). "Write it" goes
// ahead, "Do not write" declines, and closing the box (Escape, its close button) cancels.
class BeforeAfterDialog : public QDialog {
  public:
    enum class Choice { Write, DoNotWrite, Closed };

    BeforeAfterDialog(const QImage& before, const QImage& after, int number, QWidget* parent);

    [[nodiscard]] Choice ask();

  private:
    Choice choice_ = Choice::Closed;
};

// The first picture of a stream of this picture kind (2 MPEG-2, else MPEG-4),
// at its stored size, with the width the TV shows it at as the text
// kDisplayWidthKey; a null image when it cannot be decoded.
[[nodiscard]] QImage pictureOfStream(std::span<const std::uint8_t> stream, int kind);

inline constexpr int kBeforeAfterWidth = 360;
inline constexpr const char* kDisplayWidthKey = "DisplayWidth";

}  // namespace velmora
