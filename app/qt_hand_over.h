// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A call posted to another thread is counted by Qt's library, which
// ThreadSanitizer does not see: when the poster's thread frees the call after
// the window ran it, the two look unordered. Captured by the posted call, this
// tells ThreadSanitizer of the hand-overs. Nothing at all outside a
// ThreadSanitizer build.

#if defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define VELMORA_TSAN_HAND_OVER 1
#endif
#endif
#if defined(__SANITIZE_THREAD__)
#define VELMORA_TSAN_HAND_OVER 1
#endif

#ifdef VELMORA_TSAN_HAND_OVER
extern "C" void __tsan_acquire(void* addr);
extern "C" void __tsan_release(void* addr);
#endif

namespace velmora {

// The posted call's copy is made on the posting thread (after what it carries),
// runs on the other, and is freed on either: each step hands over to the next.
class QtHandOver {
  public:
#ifdef VELMORA_TSAN_HAND_OVER
    QtHandOver() {
        __tsan_release(this);
    }
    QtHandOver(const QtHandOver&) {
        __tsan_release(this);
    }
    QtHandOver& operator=(const QtHandOver&) {
        __tsan_release(this);
        return *this;
    }
    ~QtHandOver() {
        __tsan_acquire(this);
    }
    // Runs the posted call's body on the thread that got it.
    template <class Body>
    void run(Body&& body) const {
        __tsan_acquire(const_cast<QtHandOver*>(this));
        body();
        __tsan_release(const_cast<QtHandOver*>(this));
    }
#else
    template <class Body>
    void run(Body&& body) const {
        body();
    }
#endif
};

}  // namespace velmora
