// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/app/window_harness.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QThread>
#include <ostream>
#include <thread>

#include "firmware/io_error.h"

namespace velmora::testing {

void onWindowThread(const std::function<void()>& call) {
    if (QThread::currentThread() == qApp->thread()) {
        call();
    } else {
        QMetaObject::invokeMethod(qApp, call, Qt::BlockingQueuedConnection);
    }
}

WindowCore FakeCore::core() {
    WindowCore c;
    c.analyze = [this](Session& session, Dialogs& ui, const std::string& path) {
        ++analyses;
        ui.log("Binary file loaded: " + path);
        session.PicturesFound = false;
        session.PictureCount = 0;
        ui.progress(50);
        if (duringAnalysis) onWindowThread(duringAnalysis);
        if (!ioErrorText.empty()) return Outcome::ioFailure(IoError(ioErrorText));
        for (const PictureEntry& entry : pictures) {
            session.PictureTable[static_cast<std::size_t>(session.PictureCount++)] = entry;
        }
        session.PicturesFound = !pictures.empty();
        for (const auto until = std::chrono::steady_clock::now() + analysisTakes;
             std::chrono::steady_clock::now() < until;) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            session.PictureCount = static_cast<int>(pictures.size());
        }
        return Outcome::done();
    };
    c.gridRow = [](const PictureEntry& entry, int row) {
        return std::array<std::string, 5>{std::to_string(row), "kind " + std::to_string(entry.Kind),
                                          "0x" + std::to_string(entry.Start), "len", "spare"};
    };
    c.acceptSource = [this](const std::string& path, Dialogs&) -> Result<ReplacementSource> {
        acceptedPaths.push_back(path);
        if (!nextSource) return Outcome::declined();
        ReplacementSource source;
        source.SourceOpened = true;
        source.SourcePath = path;
        source.SourceAccepted = *nextSource;
        return source;
    };
    c.replace = [this](const PictureTarget& target, const ReplacementSource&,
                       const ReplaceOptions& options, Dialogs&) {
        ++replaces;
        replaceOptions.push_back(options);
        const auto until = std::chrono::steady_clock::now() + replaceTakes;
        replaceSawCancel = false;
        while (std::chrono::steady_clock::now() < until && !replaceSawCancel) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            replaceSawCancel = target.settings.Control->cancelRequested();
        }
        Replacement replaced;
        if (replaceSawCancel) replaced.outcome = Outcome::cancelled();
        return replaced;
    };
    c.view = [this](const PictureTarget&, PreviewSink&) {
        ++views;
        return Outcome::done();
    };
    c.saveVideo = [this](const PictureTarget&, Dialogs&) {
        ++videoSaves;
        return Outcome::done();
    };
    c.savePicture = [this](const PictureTarget&, Dialogs&) {
        ++pictureSaves;
        return Outcome::done();
    };
    c.savePng = [this](const PictureTarget&, Dialogs&) {
        ++pngSaves;
        return Outcome::done();
    };
    c.play = [this](const PictureTarget&, Dialogs&) {
        ++plays;
        return Outcome::done();
    };
    return c;
}

bool showActive(QWidget& window) {
    window.show();
    window.activateWindow();
    return QTest::qWaitForWindowActive(&window);
}

EnabledStates enabledStates(const TForm1& form) {
    return {form.BitBtn1->isEnabled(),  form.StringGrid1->isEnabled(), form.BitBtn2->isEnabled(),
            form.BitBtn3->isEnabled(),  form.CheckBox1->isEnabled(),   form.GroupBox1->isEnabled(),
            form.GroupBox2->isEnabled()};
}

std::ostream& operator<<(std::ostream& out, const EnabledStates& s) {
    return out << "{open firmware " << s.openFirmware << ", grid " << s.grid << ", open image "
               << s.openImage << ", replace " << s.replaceImage << ", spare " << s.useSpare
               << ", colour " << s.colorControl << ", orientation " << s.orientation << "}";
}

void WindowHarness::create(WindowCore core) {
    form = std::make_unique<TForm1>(
        [this](TForm1&) {
            auto scripted = std::make_unique<ScriptedDialogs>();
            ui = scripted.get();
            return scripted;
        },
        std::move(core));
}

PictureEntry pictureOfKind(int kind, std::uint32_t start) {
    PictureEntry entry;
    entry.Kind = kind;
    entry.Start = start;
    entry.End = start + 0x100;
    entry.Width = 720;
    entry.Height = 576;
    return entry;
}

}  // namespace velmora::testing
