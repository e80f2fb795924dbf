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

bool GuiThreadDialogs::askYesNo(const std::string& caption, const std::string& text) {
    bool yes = false;
    waitFor([&] { yes = inner_.askYesNo(caption, text); });
    return yes;
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
