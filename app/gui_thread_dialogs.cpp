// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/gui_thread_dialogs.h"

#include <QThread>
#include <exception>

namespace velmora {
namespace {

bool onThreadOf(const QObject* context) {
    return context == nullptr || QThread::currentThread() == context->thread();
}

// Runs call on the context's thread and waits for it; an exception it throws
// (a preview that cannot be shown) comes back to the caller's thread.
template <typename Call>
void runThere(QObject* context, Call&& call) {
    if (onThreadOf(context)) {
        call();
        return;
    }
    std::exception_ptr failure;
    QMetaObject::invokeMethod(
        context,
        [&] {
            try {
                call();
            } catch (...) {
                failure = std::current_exception();
            }
        },
        Qt::BlockingQueuedConnection);
    if (failure) std::rethrow_exception(failure);
}

}  // namespace

GuiThreadDialogs::GuiThreadDialogs(Dialogs& inner, QObject* context)
    : inner_(inner), context_(context) {}

template <typename Call>
void GuiThreadDialogs::waitFor(Call&& call) {
    // A box of the work must not open over the window's question and take its answer.
    if (gate_ != nullptr && !onThreadOf(context_)) gate_->waitForNoQuestion();
    runThere(context_, std::forward<Call>(call));
}

template <typename Call>
void GuiThreadDialogs::queue(Call&& call) {
    if (onThreadOf(context_)) {
        call();
        return;
    }
    QMetaObject::invokeMethod(context_, std::forward<Call>(call), Qt::QueuedConnection);
}

void GuiThreadDialogs::log(const std::string& line) {
    queue([this, line] { inner_.log(line); });
}

void GuiThreadDialogs::repaintLog() {
    queue([this] { inner_.repaintLog(); });
}

void GuiThreadDialogs::progress(int percent) {
    queue([this, percent] { inner_.progress(percent); });
}

Answer GuiThreadDialogs::ask(Question question, const std::string& caption,
                             const std::string& text) {
    Answer answer = Answer::Cancelled;
    waitFor([&] { answer = inner_.ask(question, caption, text); });
    return answer;
}

Answer GuiThreadDialogs::approveReplacement(const PendingReplacement& pending) {
    if (gate_ != nullptr && !onThreadOf(context_)) gate_->waitForNoQuestion();
    if (control_ != nullptr && control_->cancelRequested()) return Answer::Cancelled;
    Answer answer = Answer::Yes;
    waitFor([&] {
        if (beforeAfter) answer = beforeAfter(pending);
        if (answer == Answer::Yes) answer = inner_.approveReplacement(pending);
    });
    // A cancel that came while the person looked still counts.
    if (answer == Answer::Yes && control_ != nullptr && control_->cancelRequested())
        return Answer::Cancelled;
    return answer;
}

Answer GuiThreadDialogs::beginWriting() {
    if (gate_ != nullptr && !onThreadOf(context_)) gate_->beginWriting();
    if (control_ != nullptr && control_->cancelRequested()) {
        endWriting();
        return Answer::Cancelled;
    }
    return Answer::Yes;
}

void GuiThreadDialogs::endWriting() {
    if (gate_ != nullptr && !onThreadOf(context_)) gate_->endWriting();
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
    runThere(context_, [&] { inner_.showPreview(picture); });
}

}  // namespace velmora
