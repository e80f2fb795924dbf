// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/gui_thread_dialogs.h"

namespace velmora {

GuiThreadDialogs::GuiThreadDialogs(Dialogs& inner, QObject* context)
    : inner_(inner), reach_(context) {}

bool GuiThreadDialogs::onWorker() const {
    return reach_.fromWorker();
}

bool GuiThreadDialogs::cancelRequested() const {
    return control_ != nullptr && control_->cancelRequested();
}

bool GuiThreadDialogs::waitFor(const std::function<void()>& call) {
    // A box of the work must not open over the window's question and take its answer.
    if (gate_ != nullptr && onWorker()) gate_->waitForNoQuestion();
    return reach_.wait(call);
}

void GuiThreadDialogs::log(const std::string& line) {
    reach_.post([this, line] { inner_.log(line); });
}

void GuiThreadDialogs::repaintLog() {
    reach_.post([this] { inner_.repaintLog(); });
}

void GuiThreadDialogs::progress(int percent) {
    reach_.post([this, percent] { inner_.progress(percent); });
}

Answer GuiThreadDialogs::ask(Question question, const std::string& caption,
                             const std::string& text) {
    Answer answer = Answer::Cancelled;  // when nobody is there to answer
    waitFor([&] { answer = inner_.ask(question, caption, text); });
    return answer;
}

Answer GuiThreadDialogs::approveReplacement(const PendingReplacement& pending) {
    if (gate_ != nullptr && onWorker()) gate_->waitForNoQuestion();
    if (cancelRequested()) return Answer::Cancelled;
    Answer answer = Answer::Cancelled;  // when nobody is there to approve it
    waitFor([&] {
        answer = Answer::Yes;
        if (beforeAfter) answer = beforeAfter(pending);
        if (answer == Answer::Yes) answer = inner_.approveReplacement(pending);
    });
    // A cancel that came while the person looked still counts.
    if (answer == Answer::Yes && cancelRequested()) return Answer::Cancelled;
    return answer;
}

Answer GuiThreadDialogs::beginWriting() {
    // Nothing is written for a window that is gone: nobody would learn the outcome.
    if (reach_.gone()) return Answer::Cancelled;
    if (gate_ != nullptr && onWorker()) gate_->beginWriting();
    if (cancelRequested()) {
        endWriting();
        return Answer::Cancelled;
    }
    return Answer::Yes;
}

void GuiThreadDialogs::endWriting() {
    if (gate_ != nullptr && onWorker()) gate_->endWriting();
}

void GuiThreadDialogs::error(const std::string& caption, const std::string& text) {
    waitFor([&] { inner_.error(caption, text); });
}

void GuiThreadDialogs::information(const std::string& caption, const std::string& text) {
    waitFor([&] { inner_.information(caption, text); });
}

std::optional<std::string> GuiThreadDialogs::chooseOpenFile(const std::string& filter) {
    std::optional<std::string> chosen;
    waitFor([&] { chosen = inner_.chooseOpenFile(filter); });
    return chosen;
}

std::optional<std::string> GuiThreadDialogs::chooseSaveFile(const std::string& filter,
                                                            const std::string& proposedName) {
    std::optional<std::string> chosen;
    waitFor([&] { chosen = inner_.chooseSaveFile(filter, proposedName); });
    return chosen;
}

void GuiThreadDialogs::openWithDesktop(const std::string& path) {
    waitFor([&] { inner_.openWithDesktop(path); });
}

void GuiThreadPreviews::showPreview(const PreviewPicture& picture) {
    reach_.wait([&] { inner_.showPreview(picture); });
}

}  // namespace velmora
