// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <chrono>

namespace velmora {

// What may stop a running action: the person (another thread asks for a
// cancel: a Cancel button, Ctrl+C) and the time limit of one tool run.
class WorkControl {
  public:
    void requestCancel() { cancelRequested_.store(true); }
    [[nodiscard]] bool cancelRequested() const { return cancelRequested_.load(); }
    // Before each new action: an old request must not stop it.
    void clearCancel() { cancelRequested_.store(false); }

    std::chrono::milliseconds toolTimeout{std::chrono::seconds(120)};

  private:
    std::atomic<bool> cancelRequested_{false};
};

}  // namespace velmora
