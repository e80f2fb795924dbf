#pragma once

#include <QImage>
#include <QPointer>
#include <QWidget>
#include <memory>
#include <vector>

#include "media/picture_actions.h"

namespace velmora {

// The picture every preview window draws: the newest one shown.
using SharedPicture = std::shared_ptr<QImage>;

// The paint box: draws the shared picture at (0, 0), unscaled; a click closes
// its window.
class PaintBox : public QWidget {
  public:
    PaintBox(SharedPicture picture, QWidget* parent);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    SharedPicture picture_;
};

// A preview window: fixed border, at 2,52 on the screen, its outer size the
// picture's width by its height + 24.
class TForm2 : public QWidget {
  public:
    TForm2(SharedPicture picture, QWidget* owner);

    // Captions, sizes and shows the window for the shared picture.
    void showPicture(int number);

    PaintBox* PaintBox1;

  private:
    SharedPicture picture_;
};

// Opens one preview window per shown picture; they are deleted when closed,
// and with the main window.
class PreviewWindows : public PreviewSink {
  public:
    explicit PreviewWindows(QWidget* owner);

    void showPreview(const PreviewPicture& picture) override;

    // The windows still open, oldest first.
    [[nodiscard]] std::vector<TForm2*> openWindows() const;
    [[nodiscard]] const QImage& current() const { return *picture_; }

  private:
    QWidget* owner_;
    SharedPicture picture_ = std::make_shared<QImage>();
    std::vector<QPointer<TForm2>> windows_;
};

inline constexpr int kPreviewLeft = 2;
inline constexpr int kPreviewTop = 52;
inline constexpr int kPreviewExtraHeight = 24;

}  // namespace velmora
