// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

#include <functional>
#include <memory>
#include <mutex>

namespace velmora {

// The way from a worker thread to the window: calls are carried to the
// window's thread while the window exists, and go nowhere once it is gone, so
// that no widget is touched from the worker nor after it was deleted.
class WindowReach {
  public:
    // A null window is one that is gone already.
    explicit WindowReach(QObject* window);
    ~WindowReach();
    WindowReach(const WindowReach&) = delete;
    WindowReach& operator=(const WindowReach&) = delete;

    // Runs call on the window's thread and waits for it (directly when called
    // there). False when it did not run: the window is gone, or went while
    // the call waited. An exception the call throws comes back here.
    bool wait(const std::function<void()>& call);
    // Posts call to the window's thread, in order with the others, and goes
    // on (directly when called there); dropped once the window is gone.
    void post(std::function<void()> call);
    [[nodiscard]] bool gone() const;
    // Called from a thread other than the window's, the window being there.
    [[nodiscard]] bool fromWorker() const;

  private:
    // Shared with the window's "destroyed" handler, which may outlive this.
    struct State {
        mutable std::mutex mutex;
        QObject* window = nullptr;
    };
    std::shared_ptr<State> state_;
    QMetaObject::Connection watch_;
};

}  // namespace velmora
