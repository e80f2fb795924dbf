// SPDX-License-Identifier: GPL-3.0-or-later
// velmora-window-e2e WORKDIR SCREENSHOT [--fit-only|--close-race]: the real window with the real
// core, dialogs and tools, driven as a person would on a real display (Xvfb): the demo firmware is
// dropped on the window, a picture replaced with the demo photo, a second replacement cancelled
// half-way, and the window photographed with its refreshed grid. Prints the worst pause of the
// event loop during the JPEG replacement. With --fit-only it only checks that the window and a
// preview fit the screen (for a run with a high QT_SCALE_FACTOR). With
// --close-race the window is closed during a slowed-down replacement and its
// question held open: nothing may be shown or written before it is answered.
// Exit 0 when every step did what it should.
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <QWindow>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>

#include "app/main_window.h"
#include "firmware/file_io.h"
#include "tests/fixtures/firmware_builder.h"
#include "tests/fixtures/fixture_streams.h"
#include "tests/fixtures/standard_fixtures.h"

namespace {

namespace fs = std::filesystem;
namespace fx = velmora::fixtures;
using velmora::TForm1;

int failures = 0;

void check(bool ok, const std::string& what) {
    std::cout << (ok ? "ok:     " : "FAILED: ") << what << '\n' << std::flush;
    if (!ok) ++failures;
}

// Answers every box as soon as it shows: "Move picture?" No, other questions
// Yes, other boxes OK, the before/after look "Write it". Error boxes are
// failures. The question asked on closing during work is left to the test.
class BoxAnswerer {
  public:
    BoxAnswerer() {
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout, [this] { answer(); });
        timer_.start();
    }

  private:
    void answer() {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal != nullptr && modal->objectName() == QStringLiteral("BeforeAfter")) {
            std::cout << "look:   before / after\n";
            if (auto* write = modal->findChild<QPushButton*>(QStringLiteral("Write")))
                write->click();
            return;
        }
        auto* box = qobject_cast<QMessageBox*>(modal);
        if (box == nullptr || !box->isVisible()) return;
        if (box->text().startsWith(QString::fromLatin1(velmora::kCloseDuringWorkText))) return;
        const QString caption = box->windowTitle();
        std::cout << "box:    " << caption.toStdString() << ": "
                  << box->text().simplified().toStdString() << '\n';
        if (box->icon() == QMessageBox::Critical) check(false, "no error box");
        QAbstractButton* press = box->button(QMessageBox::Ok);
        if (box->button(QMessageBox::Yes) != nullptr)
            press = box->button(caption == QStringLiteral("Move picture?") ? QMessageBox::No
                                                                           : QMessageBox::Yes);
        if (press != nullptr) press->click();
    }
    QTimer timer_;
};

// The longest time between two ticks of a 5 ms timer while it runs.
class GapMeter {
  public:
    GapMeter() {
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout,
                         [this] { worst_ = std::max(worst_, clock_.restart()); });
    }
    void start() {
        worst_ = 0;
        clock_.start();
        timer_.start();
    }
    qint64 stop() {
        timer_.stop();
        return std::max(worst_, clock_.elapsed());
    }

  private:
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 worst_ = 0;
};

void dropOn(TForm1& form, const std::string& path) {
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(path))});
    QDragEnterEvent enter(QPoint(250, 250), Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(&form, &enter);
    check(enter.isAccepted(), "the window takes " + fs::path(path).filename().string());
    QDropEvent drop(QPointF(250, 250), Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(&form, &drop);
}

int countLines(const TForm1& form, const QString& line) {
    return static_cast<int>(form.Memo1->toPlainText().split(QLatin1Char('\n')).count(line));
}

int countTries(const TForm1& form) {
    return static_cast<int>(
        form.Memo1->toPlainText().count(QStringLiteral("Converting using bitrate")));
}

// The real tools, but the encoder takes a while longer each run: real work in the window.
std::string slowTools(const fs::path& dir) {
    const fs::path slow = dir / "slow-tools";
    fs::create_directories(slow);
    for (const auto& tool : fs::directory_iterator(VELMORA_TOOL_DIR)) {
        const fs::path link = slow / tool.path().filename();
        fs::remove(link);
        if (tool.path().filename() != "mpeg2enc") {
            fs::create_symlink(fs::canonical(tool.path()), link);
            continue;
        }
        std::ofstream script(link);
        script << "#!/bin/sh\nsleep 0.4\nexec '" << fs::canonical(tool.path()).string()
               << "' \"$@\"\n";
        script.close();
        fs::permissions(link,
                        fs::perms::owner_all | fs::perms::group_read | fs::perms::others_read);
    }
    return slow.string();
}

// Closes the window once the replacement's first try is logged, and holds the
// question "Cancel the work and close the window?" open until the work waits
// for it; meanwhile nothing may be written, nor any box or look shown. Then
// answers it with `press`.
void closeDuringReplacement(TForm1& form, const std::string& firmware,
                            QMessageBox::StandardButton press) {
    const auto before = velmora::readImageFile(firmware).bytes();
    const int triesBefore = countTries(form);
    QTimer watcher;
    watcher.setInterval(5);
    bool closed = false;
    bool overrun = false;
    QElapsedTimer held;
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        if (!closed) {
            if (countTries(form) <= triesBefore) return;
            closed = true;
            QTimer::singleShot(0, &form, [&form] { form.close(); });
            return;
        }
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr ||
            !box->text().startsWith(QString::fromLatin1(velmora::kCloseDuringWorkText))) {
            // Something of the work opened over the question: a failure, and the
            // question is answered once it is on top again, so the run ends.
            if (held.isValid() && !overrun)
                check(false, "only the question is open while it is open");
            overrun = overrun || held.isValid();
            return;
        }
        if (!held.isValid()) held.start();
        if (overrun) {
            watcher.stop();
            box->button(press)->click();
            return;
        }
        if (!form.workWaitsForAnswer() && held.elapsed() < 60000) return;
        check(form.workWaitsForAnswer(), "the work waits for the question to be answered");
        QTest::qWait(300);  // the work would go on meanwhile, if it did not wait
        check(QApplication::activeModalWidget() == box, "nothing opened over the question");
        check(velmora::readImageFile(firmware).bytes() == before,
              "nothing is written while the question is open");
        watcher.stop();
        box->button(press)->click();
    });
    watcher.start();
    form.BitBtn3->click();
    check(held.isValid(), "the question was asked during the work");
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const bool fitOnly = argc == 4 && std::string(argv[3]) == "--fit-only";
    const bool closeRace = argc == 4 && std::string(argv[3]) == "--close-race";
    if (argc != 3 && !fitOnly && !closeRace) {
        std::cerr << "usage: velmora-window-e2e WORKDIR SCREENSHOT.png [--fit-only|--close-race]\n";
        return 2;
    }
    const fs::path dir = argv[1];
    const std::string screenshot = argv[2];
    fs::create_directories(dir / "work");
    const fx::Fixture firmware = fx::standardFirmware();
    const std::string demo = (dir / "demo.bin").string();
    fx::writeBytes(demo, firmware.image);
    const std::string photo = (dir / "photo.jpg").string();
    fs::copy_file(fx::photoJpeg(1024, 768), photo, fs::copy_options::overwrite_existing);

    TForm1 form;
    form.session().ToolDir = VELMORA_TOOL_DIR;
    form.session().TempDir = (dir / "work").string();
    form.EncoderTools1->setChecked(true);  // the external tools, whose tries it counts
    form.show();
    check(QTest::qWaitForWindowExposed(&form), "the window is shown");
    BoxAnswerer answerer;

    dropOn(form, demo);
    check(form.StringGrid1->rowCount() == static_cast<int>(firmware.entries.size()),
          "the dropped firmware is analysed");
    form.StringGrid1->setCurrentCell(1, 0);
    dropOn(form, photo);
    check(form.Panel1->text().startsWith(QStringLiteral("JPEG 1024x768")),
          "the dropped photo is the source");

    const QRect screen = form.screen()->availableGeometry();
    std::cout << "screen " << screen.width() << "x" << screen.height() << ", window "
              << form.frameGeometry().width() << "x" << form.frameGeometry().height() << '\n';
    check(screen.contains(form.frameGeometry()), "the window fits the screen");
    form.StringGrid1->setCurrentCell(0, 0);
    form.View1->trigger();
    const auto previews = form.previews().openWindows();
    check(previews.size() == 1, "the picture is previewed");
    for (const velmora::TForm2* preview : previews) {
        QTest::qWait(100);
        check(screen.contains(preview->frameGeometry()), "the preview fits the screen");
        check(preview->windowTitle() == QStringLiteral("BackGround #1  720x576"),
              "the preview names the real size");
        if (!fitOnly)
            check(preview->PaintBox1->size() == QSize(768, 576),
                  "the 4:3 PAL picture is shown as the TV shows it, 768x576");
        // Framed by a window manager, the inside is the picture, no more, no less.
        if (preview->windowHandle() != nullptr && !preview->windowHandle()->frameMargins().isNull())
            check(preview->size() == preview->PaintBox1->size(),
                  "framed, the preview's inside is exactly the picture");
        if (const char* shot = std::getenv("VELMORA_E2E_PREVIEW_SHOT"))
            preview->screen()->grabWindow(0).save(QString::fromLatin1(shot), "PNG");
    }
    for (velmora::TForm2* preview : previews) preview->close();
    QTest::qWait(50);
    check(form.StringGrid1->hasFocus() || QApplication::focusWidget() == form.StringGrid1,
          "closing the preview gives the grid its focus back");
    form.StringGrid1->setCurrentCell(1, 0);
    if (fitOnly) {
        form.close();
        std::cout << (failures == 0 ? "PASSED\n" : "FAILED\n");
        return failures == 0 ? 0 : 1;
    }
    if (closeRace) {
        form.session().ToolDir = slowTools(dir);
        form.EncoderTools1->trigger();  // the slowed tool chain does the work
        form.BeforeAfter1->setChecked(true);
        // No: the work goes on, shows its look, and writes.
        const auto original = velmora::readImageFile(demo).bytes();
        closeDuringReplacement(form, demo, QMessageBox::No);
        check(countLines(form, QStringLiteral("All operations completed successfully!")) == 1,
              "after No the picture is replaced");
        check(velmora::readImageFile(demo).bytes() != original, "after No the firmware is written");
        check(form.isVisible(), "after No the window stays");
        // Yes: the work is cancelled, nothing is written, the window closes.
        form.CheckBox2->setChecked(true);
        const auto replaced = velmora::readImageFile(demo).bytes();
        closeDuringReplacement(form, demo, QMessageBox::Yes);
        check(velmora::readImageFile(demo).bytes() == replaced, "after Yes nothing is written");
        check(countLines(form, QStringLiteral("All operations completed successfully!")) == 1,
              "after Yes no second success");
        QTest::qWait(100);
        check(!form.isVisible(), "after Yes the window closes");
        std::cout << (failures == 0 ? "PASSED\n" : "FAILED\n");
        return failures == 0 ? 0 : 1;
    }

    const QString lengthBefore = form.StringGrid1->item(1, 3)->text();
    GapMeter gaps;
    gaps.start();
    form.BitBtn3->click();
    const qint64 worstGap = gaps.stop();
    std::cout << "worst event-loop gap during the JPEG replacement: " << worstGap << " ms\n";
    check(countLines(form, QStringLiteral("All operations completed successfully!")) == 1,
          "the picture is replaced");
    check(countLines(form, QString(50, QLatin1Char('='))) == 2, "the firmware is analysed again");
    check(form.StringGrid1->currentRow() == 1, "the same row stays selected");
    std::cout << "length before " << lengthBefore.toStdString() << ", after "
              << form.StringGrid1->item(1, 3)->text().toStdString() << '\n';
    QTest::qWait(200);
    check(form.grab().save(QString::fromStdString(screenshot), "PNG"), "the screenshot is saved");

    // The second replacement (greyscale: other bytes) is cancelled once its
    // first try has been logged.
    form.CheckBox2->setChecked(true);
    const auto before = velmora::readImageFile(demo).bytes();
    const int triesBefore = static_cast<int>(
        form.Memo1->toPlainText().count(QStringLiteral("Converting using bitrate")));
    QTimer canceller;
    canceller.setInterval(2);
    QObject::connect(&canceller, &QTimer::timeout, [&] {
        const int tries = static_cast<int>(
            form.Memo1->toPlainText().count(QStringLiteral("Converting using bitrate")));
        if (tries <= triesBefore) return;
        canceller.stop();
        check(form.BitBtn3->text() == QStringLiteral("Cancel"), "Replace Image reads Cancel");
        form.BitBtn3->click();
    });
    canceller.start();
    form.BitBtn3->click();
    check(form.Memo1->toPlainText().endsWith(QStringLiteral("Cancelled.")),
          "the log says Cancelled.");
    check(velmora::readImageFile(demo).bytes() == before, "the firmware bytes are unchanged");
    for (const char* name : {"$convert.bat", "$jpg_res.m2v", "$jpg_res.bmp", "$jpg_res.jpg"})
        check(!fs::exists(dir / "work" / name), std::string("no work file ") + name);
    check(form.BitBtn3->text() == QStringLiteral("Replace Image"), "Replace Image is back");
    form.close();
    std::cout << (failures == 0 ? "PASSED\n" : "FAILED\n");
    return failures == 0 ? 0 : 1;
}
