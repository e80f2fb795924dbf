// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

#include <functional>
#include <memory>

#include "app/question_gate.h"
#include "app/window_reach.h"
#include "catalogue/work_control.h"
#include "media/picture_actions.h"
#include "person/dialogs.h"

namespace velmora {

// The person as seen from a worker thread: every call is carried over to the
// thread of `context` (the window's), where the real dialogs live. Questions,
// boxes and file choices wait there for their answer; log lines and progress
// are queued, in order, and the worker goes on at once. Called on the window's
// thread itself, it passes the call straight through. Once the window is gone
// the worker reaches nobody: questions are answered Cancelled, file choices
// with none, boxes and log lines go nowhere, and nothing is written.
class GuiThreadDialogs : public Dialogs {
  public:
    GuiThreadDialogs(Dialogs& inner, QObject* context);

    void log(const std::string& line) override;
    void repaintLog() override;
    void progress(int percent) override;
    Answer ask(Question question, const std::string& caption, const std::string& text) override;
    void error(const std::string& caption, const std::string& text) override;
    void information(const std::string& caption, const std::string& text) override;
    std::optional<std::string> chooseOpenFile(const std::string& filter) override;
    std::optional<std::string> chooseSaveFile(const std::string& filter,
                                              const std::string& proposedName) override;
    void openWithDesktop(const std::string& path) override;
    // A cancel asked for by now cancels; else the before/after look (when
    // set), then the window's own dialogs decide.
    Answer approveReplacement(const PendingReplacement& pending) override;
    // Waits while a question of the window is open; a cancel asked for by
    // then cancels.
    Answer beginWriting() override;
    void endWriting() override;

    // Lets the person cancel the replacement right before it is written.
    void watchCancel(std::shared_ptr<const WorkControl> control) { control_ = std::move(control); }
    // Nothing is asked, shown or written while the window's own question is open.
    void watchQuestions(QuestionGate* gate) { gate_ = gate; }
    // The window's before/after look at the new picture, on the window's thread.
    std::function<Answer(const PendingReplacement&)> beforeAfter;

  private:
    // The calls below hold the window's question gate only while the window
    // is there to answer.
    [[nodiscard]] bool onWorker() const;
    bool waitFor(const std::function<void()>& call);
    [[nodiscard]] bool cancelRequested() const;

    Dialogs& inner_;
    WindowReach reach_;
    std::shared_ptr<const WorkControl> control_;
    QuestionGate* gate_ = nullptr;
};

// The preview windows are widgets: a decoded picture reaches them on their thread.
class GuiThreadPreviews : public PreviewSink {
  public:
    GuiThreadPreviews(PreviewSink& inner, QObject* context) : inner_(inner), reach_(context) {}
    void showPreview(const PreviewPicture& picture) override;

  private:
    PreviewSink& inner_;
    WindowReach reach_;
};

}  // namespace velmora
