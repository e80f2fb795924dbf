// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/window_reach.h"

#include "app/qt_hand_over.h"

#include <QThread>
#include <condition_variable>
#include <exception>

namespace velmora {
namespace {

// One call carried to the window's thread, and the worker waiting for it.
struct Carried {
    std::mutex mutex;
    std::condition_variable settled;
    bool over = false;  // ran, or discarded with the window
    bool ran = false;
    std::exception_ptr failure;
};

// Held only by the posted call: it goes when the call has run or when the
// window discards its pending calls, and either way lets the worker go on.
struct Settle {
    std::shared_ptr<Carried> carried;
    explicit Settle(std::shared_ptr<Carried> c) : carried(std::move(c)) {}
    ~Settle() {
        const std::lock_guard lock(carried->mutex);
        carried->over = true;
        carried->settled.notify_all();
    }
    Settle(const Settle&) = delete;
    Settle& operator=(const Settle&) = delete;
};

}  // namespace

WindowReach::WindowReach(QObject* window) : state_(std::make_shared<State>()) {
    state_->window = window;
    if (window == nullptr) return;
    // Emitted on the deleting thread before the window's pending calls are
    // discarded: from then on nothing more is posted to it.
    watch_ = QObject::connect(
        window, &QObject::destroyed, window,
        [state = state_] {
            const std::lock_guard lock(state->mutex);
            state->window = nullptr;
        },
        Qt::DirectConnection);
}

WindowReach::~WindowReach() {
    const std::lock_guard lock(state_->mutex);
    if (state_->window != nullptr) QObject::disconnect(watch_);
}

bool WindowReach::gone() const {
    const std::lock_guard lock(state_->mutex);
    return state_->window == nullptr;
}

bool WindowReach::fromWorker() const {
    const std::lock_guard lock(state_->mutex);
    return state_->window != nullptr && QThread::currentThread() != state_->window->thread();
}

bool WindowReach::wait(const std::function<void()>& call) {
    auto carried = std::make_shared<Carried>();
    {
        std::unique_lock lock(state_->mutex);
        QObject* window = state_->window;
        if (window == nullptr) return false;
        if (QThread::currentThread() == window->thread()) {
            lock.unlock();
            call();
            return true;
        }
        auto settle = std::make_shared<Settle>(carried);
        QMetaObject::invokeMethod(
            window,
            [settle = std::move(settle), &call, handOver = QtHandOver{}] {
                handOver.run([&] {
                    Carried& c = *settle->carried;
                    try {
                        call();
                    } catch (...) {
                        c.failure = std::current_exception();
                    }
                    c.ran = true;
                });
            },
            Qt::QueuedConnection);
    }
    // Not under the reach's lock: deleting the window must not wait for us.
    std::unique_lock lock(carried->mutex);
    carried->settled.wait(lock, [&] { return carried->over; });
    if (carried->failure) std::rethrow_exception(carried->failure);
    return carried->ran;
}

void WindowReach::post(std::function<void()> call) {
    std::unique_lock lock(state_->mutex);
    QObject* window = state_->window;
    if (window == nullptr) return;
    if (QThread::currentThread() == window->thread()) {
        lock.unlock();
        call();
        return;
    }
    QMetaObject::invokeMethod(
        window, [call = std::move(call), handOver = QtHandOver{}] { handOver.run(call); },
        Qt::QueuedConnection);
}

}  // namespace velmora
