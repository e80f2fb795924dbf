// SPDX-License-Identifier: GPL-3.0-or-later
// The preview windows: caption, size, place, the shared newest picture, closing.
#include <gtest/gtest.h>
#include <QScreen>
#include <QTest>
#include <cstdlib>

#include "app/preview_window.h"

namespace velmora::testing {
namespace {

PreviewPicture solidPicture(int number, int width, int height, std::uint8_t b, std::uint8_t g,
                            std::uint8_t r) {
    PreviewPicture picture{number, width, height, {}};
    for (int i = 0; i < width * height; ++i) picture.bgr.insert(picture.bgr.end(), {b, g, r});
    return picture;
}

void deleteClosedWindows() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

class PreviewWindowTest : public ::testing::Test {
  protected:
    QWidget owner;
    PreviewWindows previews{&owner};
};

TEST_F(PreviewWindowTest, PalPictureInRowOneGetsItsCaptionAndOuterSize) {
    previews.showPreview(solidPicture(1, 720, 576, 0, 0, 255));
    const auto open = previews.openWindows();
    ASSERT_EQ(open.size(), 1u);
    TForm2* form = open[0];
    EXPECT_EQ(form->windowTitle(), QStringLiteral("BackGround #1  720x576"));
    EXPECT_EQ(form->size(), QSize(720, 576)) << "framed, the inside is exactly the picture";
    EXPECT_EQ(form->frameGeometry().topLeft(), QPoint(2, 52));
    EXPECT_EQ(form->minimumSize(), form->maximumSize()) << "fixed border";
    EXPECT_EQ(form->PaintBox1->geometry(), QRect(0, 0, 720, 576));
    EXPECT_TRUE(form->isWindow());
    EXPECT_FALSE(form->isModal()) << "the main window stays usable";
}

TEST_F(PreviewWindowTest, PaintBoxDrawsThePictureUnscaled) {
    PreviewPicture picture = solidPicture(2, 4, 2, 0, 0, 0);
    // Top-left pixel blue, bottom-right red (bytes are blue, green, red).
    picture.bgr[0] = 255;
    picture.bgr[(1 * 4 + 3) * 3 + 2] = 255;
    previews.showPreview(picture);
    const QImage drawn = previews.openWindows().at(0)->PaintBox1->grab().toImage();
    EXPECT_EQ(drawn.size(), QSize(4, 2));
    EXPECT_EQ(QColor(drawn.pixel(0, 0)), QColor(0, 0, 255));
    EXPECT_EQ(QColor(drawn.pixel(3, 1)), QColor(255, 0, 0));
    EXPECT_EQ(QColor(drawn.pixel(1, 0)), QColor(0, 0, 0));
}

TEST_F(PreviewWindowTest, EachWindowKeepsItsOwnPicture) {
    previews.showPreview(solidPicture(1, 40, 30, 0, 0, 255));  // red
    previews.showPreview(solidPicture(3, 20, 10, 255, 0, 0));  // blue
    const auto open = previews.openWindows();
    ASSERT_EQ(open.size(), 2u);
    EXPECT_EQ(open[0]->windowTitle(), QStringLiteral("BackGround #1  40x30"));
    EXPECT_EQ(open[1]->windowTitle(), QStringLiteral("BackGround #3  20x10"));
    EXPECT_EQ(open[1]->frameGeometry().topLeft(), QPoint(2, 52)) << "at the same place";
    EXPECT_EQ(previews.current().size(), QSize(20, 10));
    open[0]->update();
    const QImage older = open[0]->PaintBox1->grab().toImage();
    EXPECT_EQ(older.size(), QSize(40, 30));
    EXPECT_EQ(QColor(older.pixel(5, 5)), QColor(255, 0, 0)) << "the first window still shows #1";
    EXPECT_EQ(QColor(older.pixel(30, 20)), QColor(255, 0, 0));
}

TEST_F(PreviewWindowTest, PictureLargerThanTheScreenIsScaledDownToFit) {
    previews.showPreview(solidPicture(4, 4000, 1000, 0, 255, 0));
    TForm2* form = previews.openWindows().at(0);
    EXPECT_EQ(form->windowTitle(), QStringLiteral("BackGround #4  4000x1000")) << "the real size";
    const QRect screen = form->screen()->availableGeometry();
    const QRect frame = form->frameGeometry();
    EXPECT_TRUE(screen.contains(frame)) << "the window fits the screen";
    const QSize shown = form->PaintBox1->size();
    EXPECT_LE(std::abs(shown.width() * 1000 - shown.height() * 4000), 4000) << "aspect kept";
    EXPECT_EQ(form->size(), shown) << "framed, the inside is exactly the picture";
    EXPECT_EQ(QColor(form->PaintBox1->grab().toImage().pixel(shown.width() - 1, 0)),
              QColor(0, 255, 0));
}

TEST_F(PreviewWindowTest, EscapeAndCtrlWCloseThePreview) {
    previews.showPreview(solidPicture(1, 16, 16, 1, 2, 3));
    previews.showPreview(solidPicture(2, 16, 16, 4, 5, 6));
    auto open = previews.openWindows();
    ASSERT_EQ(open.size(), 2u);
    open[1]->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(open[1]));
    QTest::keyClick(open[1], Qt::Key_Escape);
    EXPECT_FALSE(open[1]->isVisible());
    open[0]->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(open[0]));
    QTest::keyClick(open[0], Qt::Key_W, Qt::ControlModifier);
    EXPECT_FALSE(open[0]->isVisible());
}

TEST_F(PreviewWindowTest, ClickOnThePictureClosesItsWindowOnly) {
    previews.showPreview(solidPicture(1, 16, 16, 1, 2, 3));
    previews.showPreview(solidPicture(2, 16, 16, 4, 5, 6));
    auto open = previews.openWindows();
    ASSERT_EQ(open.size(), 2u);
    QPointer<TForm2> first = open[0];
    QTest::mouseClick(first->PaintBox1, Qt::LeftButton, {}, QPoint(3, 3));
    EXPECT_FALSE(first->isVisible());
    deleteClosedWindows();
    EXPECT_TRUE(first.isNull()) << "a closed preview is not kept";
    ASSERT_EQ(previews.openWindows().size(), 1u);
    EXPECT_EQ(previews.openWindows()[0]->windowTitle(), QStringLiteral("BackGround #2  16x16"));
}

TEST_F(PreviewWindowTest, APalPictureIsShownAsTheTvShowsItWithTheStoredSizeInTheTitle) {
    PreviewPicture picture = solidPicture(1, 720, 576, 0, 0, 255);
    picture.displayWidth = 768;  // 4:3 PAL: a pixel is 16:15
    previews.showPreview(picture);
    TForm2* form = previews.openWindows().at(0);
    EXPECT_EQ(form->windowTitle(), QStringLiteral("BackGround #1  720x576"));
    EXPECT_EQ(form->PaintBox1->size(), QSize(768, 576));
    EXPECT_EQ(form->PaintBox1->grab().toImage().size(), QSize(768, 576));
    form->StoredPixels1->setChecked(true);
    EXPECT_EQ(form->PaintBox1->size(), QSize(720, 576)) << "the stored pixels, on request";
    EXPECT_EQ(form->windowTitle(), QStringLiteral("BackGround #1  720x576"));
}

TEST_F(PreviewWindowTest, ClosingAPreviewTellsItsOwner) {
    int closed = 0;
    previews.afterClose = [&] { ++closed; };
    previews.showPreview(solidPicture(1, 16, 16, 1, 2, 3));
    previews.openWindows().at(0)->close();
    EXPECT_EQ(closed, 1) << "the window gives the grid its focus back";
}

TEST_F(PreviewWindowTest, PictureWithoutPixelsIsRefused) {
    EXPECT_THROW(previews.showPreview(PreviewPicture{1, 10, 10, {}}), std::invalid_argument);
    EXPECT_THROW(previews.showPreview(PreviewPicture{1, 0, 0, {}}), std::invalid_argument);
    EXPECT_TRUE(previews.openWindows().empty());
}

}  // namespace
}  // namespace velmora::testing
