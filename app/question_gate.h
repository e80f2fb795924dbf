// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <condition_variable>
#include <mutex>

namespace velmora {

// Keeps running work from answering for the person: while the window's own
// question is open (closing during work), the work waits before it asks
// anything or writes, and while the work writes the firmware the window holds
// its question back until the writing is done (a matter of milliseconds).
class QuestionGate {
  public:
    // The window's thread, before it asks: false while the work is writing.
    [[nodiscard]] bool tryOpenQuestion();
    // The window's thread, once its question is answered.
    void closeQuestion();

    // The worker, before it asks or shows anything: returns once no question
    // of the window is open.
    void waitForNoQuestion();
    // The worker, right before it writes: waits as above, then keeps the
    // window's questions back until endWriting().
    void beginWriting();
    void endWriting();

    // The worker is waiting for an open question to be answered (for tests).
    [[nodiscard]] bool workWaits() const;

  private:
    mutable std::mutex mutex_;
    std::condition_variable answered_;
    int openQuestions_ = 0;
    int waiting_ = 0;
    bool writing_ = false;
};

}  // namespace velmora
