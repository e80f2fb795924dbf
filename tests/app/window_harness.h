// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "tests/support/scripted_dialogs.h"

namespace velmora::testing {

// Runs call on the window's thread, waiting for it: the core's stand-ins run
// on the worker thread, but widgets may only be touched on the window's.
void onWindowThread(const std::function<void()>& call);

// Shows the window and waits until it is the active one (keys reach it then).
[[nodiscard]] bool showActive(QWidget& window);

// Stand-ins for the core, recording how the window calls them.
struct FakeCore {
    std::vector<PictureEntry> pictures;  // what the next analysis finds
    std::string ioErrorText;             // when set, the analysis fails with it
    std::function<void()>
        duringAnalysis;  // runs in the middle of an analysis, on the window's thread
    // The analysis goes on this long after it found the pictures, rewriting
    // what it found all the while, on the worker thread.
    std::chrono::milliseconds analysisTakes{0};
    std::optional<AcceptedSource> nextSource;  // what "Open Image file" accepts
    std::vector<std::string> acceptedPaths;    // the files it was asked to accept
    // The replacement works, on the worker thread, until it is cancelled or
    // this time has passed; replaceSawCancel tells which.
    std::chrono::milliseconds replaceTakes{0};
    bool replaceSawCancel = false;
    int views = 0, videoSaves = 0, pictureSaves = 0, pngSaves = 0, replaces = 0, analyses = 0,
        plays = 0;
    std::vector<ReplaceOptions> replaceOptions;

    [[nodiscard]] WindowCore core();
};

// The enabled states of the window's commands and option groups.
struct EnabledStates {
    bool openFirmware, grid, openImage, replaceImage, useSpare, colorControl, orientation;
    bool operator==(const EnabledStates&) const = default;
};
[[nodiscard]] EnabledStates enabledStates(const TForm1& form);
std::ostream& operator<<(std::ostream& out, const EnabledStates& s);

// A main window over the fake core, talking to a scripted person.
class WindowHarness {
  public:
    WindowHarness() { create(fake.core()); }
    explicit WindowHarness(WindowCore core) { create(std::move(core)); }

    FakeCore fake;
    ScriptedDialogs* ui = nullptr;
    std::unique_ptr<TForm1> form;

  private:
    void create(WindowCore core);
};

[[nodiscard]] PictureEntry pictureOfKind(int kind, std::uint32_t start);

}  // namespace velmora::testing
