// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <vector>

#include "media/picture_actions.h"

class QAction;

namespace velmora {

// The paint box: draws its window's picture at (0, 0); a click closes the window.
class PaintBox : public QWidget {
  public:
    explicit PaintBox(QWidget* parent);

    void setPicture(const QImage& picture);
    [[nodiscard]] const QImage& picture() const { return picture_; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    QImage picture_;
};

// A preview window: fixed border, at 2,52 on the screen, its outer size (frame
// included) the picture's width by its height + 24. It keeps its own picture;
// one larger than the screen is shown scaled down to fit, aspect kept, with
// the real size in the title. Escape and Ctrl+W close it.
class TForm2 : public QWidget {
  public:
    explicit TForm2(QWidget* owner);

    // Captions, sizes and shows the window for this picture, shown
    // displayWidth wide (as the TV shows it; 0: as stored).
    void showPicture(const QImage& picture, int number, int displayWidth = 0);

    PaintBox* PaintBox1;
    // On the picture's menu: the stored pixels, square, instead of the TV's shape.
    QAction* StoredPixels1;
    // Called when the person closes the window.
    std::function<void()> onClose;

  protected:
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    // The frame is known only once the window system has framed the window:
    // the inside is sized again whenever the frame it reports changes.
    void fitInsideToFrame();
    // Sizes the picture and the window for the shape chosen, the screen and the frame.
    void lay();

    QImage picture_;
    int displayWidth_ = 0;
    QMargins appliedFrame_;
};

// Opens one preview window per shown picture; they are deleted when closed,
// and with the main window.
class PreviewWindows : public PreviewSink {
  public:
    explicit PreviewWindows(QWidget* owner);

    void showPreview(const PreviewPicture& picture) override;

    // The windows still open, oldest first.
    [[nodiscard]] std::vector<TForm2*> openWindows() const;
    // The picture shown last, at its real size.
    [[nodiscard]] const QImage& current() const { return newest_; }
    // Called once a preview has closed (the window gives the grid its focus back).
    std::function<void()> afterClose;

  private:
    QWidget* owner_;
    QImage newest_;
    std::vector<QPointer<TForm2>> windows_;
};

inline constexpr int kPreviewLeft = 2;
inline constexpr int kPreviewTop = 52;
inline constexpr int kPreviewExtraHeight = 24;

// The size a picture is shown at in a room of this size: its own, or scaled
// down with its aspect kept so that it fits.
[[nodiscard]] QSize fittedPictureSize(QSize picture, QSize room);

}  // namespace velmora
