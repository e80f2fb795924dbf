// SPDX-License-Identifier: GPL-3.0-or-later
// The window while an action runs: its event loop keeps going, and the person
// can cancel with the Cancel button or Escape.
#include <gtest/gtest.h>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <future>
#include <thread>

#include "app/gui_thread_dialogs.h"
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

// The commands of the grid's menu come while an analysis is changing what it
// found: each one looks at nothing before it sees the window is busy (the
// ThreadSanitizer pass catches a look at the session meanwhile).
TEST_F(WindowBusyTest, MenuCommandsDuringTheWorkTouchNothing) {
    h.fake.pictures = {pictureOfKind(kKindMpeg2, 0x10), pictureOfKind(kKindMpeg4, 0x200)};
    h.fake.analysisTakes = 300ms;
    QTimer::singleShot(100, &form(), [this] {
        EXPECT_TRUE(form().busy());
        form().Play1Click();
        form().Savepicture1Click();
        form().Savevideo1Click();
        form().SavePng1Click();
        form().View1Click();
    });
    h.ui->openChoices.push_back("/fw/other.bin");
    form().Button2Click();
    EXPECT_EQ(h.fake.analyses, 2);
    EXPECT_EQ(
        h.fake.plays + h.fake.pictureSaves + h.fake.videoSaves + h.fake.pngSaves + h.fake.views, 0);
}

// Once the window is gone, a worker still talking to the person reaches
// nobody: no widget is called, every question counts as Cancelled, a
// replacement is neither approved nor written; a worker that was waiting for
// an answer when the window went is let go.
TEST(GuiThreadDialogs, AWorkerReachesNobodyOnceTheWindowIsGone) {
    ScriptedDialogs person;
    person.defaultAnswer = true;
    person.openChoices.push_back("/p/a.jpg");
    auto* window = new QObject;
    GuiThreadDialogs ui(person, window);
    std::promise<void> asking;
    Answer waitedFor = Answer::Yes, asked = Answer::Yes, approved = Answer::Yes,
           writing = Answer::Yes;
    std::optional<std::string> chosen = "not asked";
    std::thread worker([&] {
        ui.log("before");
        asking.set_value();
        waitedFor = ui.ask(Question::MovePicture, "Move picture?", "?");
        ui.log("a line");
        ui.progress(50);
        ui.error("ERROR!", "a box");
        asked = ui.ask(Question::MovePicture, "Move picture?", "?");
        approved = ui.approveReplacement(PendingReplacement{});
        writing = ui.beginWriting();
        chosen = ui.chooseOpenFile("*.jpg");
    });
    asking.get_future().wait();
    std::this_thread::sleep_for(50ms);  // the question is most likely waiting by now
    delete window;                      // without ever running the window's events
    worker.join();
    QCoreApplication::processEvents();
    EXPECT_EQ(waitedFor, Answer::Cancelled);
    EXPECT_EQ(asked, Answer::Cancelled);
    EXPECT_EQ(approved, Answer::Cancelled);
    EXPECT_EQ(writing, Answer::Cancelled);
    EXPECT_FALSE(chosen.has_value());
    EXPECT_TRUE(person.lines.empty());
    EXPECT_TRUE(person.boxes.empty());
    EXPECT_TRUE(person.questions.empty());
    EXPECT_TRUE(person.progressValues.empty());
}

}  // namespace
}  // namespace velmora::testing
