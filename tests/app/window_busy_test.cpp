// SPDX-License-Identifier: GPL-3.0-or-later
// The window while an action runs: its event loop keeps going, and the person
// can cancel with the Cancel button or Escape.
#include <gtest/gtest.h>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include "tests/app/window_harness.h"

namespace velmora::testing {
namespace {

using namespace std::chrono_literals;

class WindowBusyTest : public ::testing::Test {
  protected:
    WindowHarness h;
    TForm1& form() { return *h.form; }

    void SetUp() override {
        ASSERT_TRUE(showActive(form()));
        h.fake.pictures = {pictureOfKind(kKindMpeg2, 0x10)};
        h.ui->openChoices.push_back("/fw/dump.bin");
        form().Button2Click();
        h.fake.nextSource = AcceptedSource{"JPEG 1x1: a.jpg", true};
        h.ui->openChoices.push_back("/p/a.jpg");
        form().Button1Click();
    }
    // Runs act on the window's thread once the replacement is under way.
    void whileReplacing(std::function<void()> act) {
        QTimer::singleShot(100, &form(), [this, act = std::move(act)] {
            EXPECT_TRUE(form().busy());
            act();
        });
    }
};

TEST_F(WindowBusyTest, EventLoopKeepsGoingWhileTheWorkRuns) {
    h.fake.replaceTakes = 400ms;
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(10);
    whileReplacing([&] { form().resize(620, 600); });
    form().BitBtn3->click();
    ticker.stop();
    EXPECT_GE(ticks, 15) << "the window's timers ran during the work";
    EXPECT_EQ(form().StringGrid1->width(), 464 + 121) << "it was resized meanwhile";
    EXPECT_FALSE(h.fake.replaceSawCancel);
}

TEST_F(WindowBusyTest, CancelButtonAndEscapeStopTheWork) {
    h.fake.replaceTakes = 20s;
    whileReplacing([&] {
        EXPECT_EQ(form().BitBtn3->text(), QStringLiteral("Cancel"));
        EXPECT_TRUE(form().BitBtn3->isEnabled());
        QTest::mouseClick(form().BitBtn3, Qt::LeftButton);
    });
    auto started = std::chrono::steady_clock::now();
    form().BitBtn3->click();
    EXPECT_TRUE(h.fake.replaceSawCancel);
    EXPECT_LT(std::chrono::steady_clock::now() - started, 10s);
    EXPECT_EQ(form().BitBtn3->text(), QStringLiteral("Replace Image"));
    EXPECT_EQ(h.ui->lines.back(), "Cancelled.");
    EXPECT_EQ(h.fake.analyses, 1) << "no analysis after a cancelled replacement";

    whileReplacing([&] { QTest::keyClick(&form(), Qt::Key_Escape); });
    started = std::chrono::steady_clock::now();
    form().BitBtn3->click();
    EXPECT_TRUE(h.fake.replaceSawCancel);
    EXPECT_LT(std::chrono::steady_clock::now() - started, 10s);
    EXPECT_EQ(h.fake.replaces, 2);
    EXPECT_FALSE(form().busy());
}

}  // namespace
}  // namespace velmora::testing
