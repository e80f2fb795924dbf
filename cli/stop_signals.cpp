// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/stop_signals.h"

#include <signal.h>

#include <thread>

namespace velmora::cli {

void cancelOnStopSignals(std::shared_ptr<WorkControl> control) {
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGINT);
    sigaddset(&stop, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stop, nullptr);
    // A thread of its own waits for them: no handler, no global state.
    std::thread([stop, control = std::move(control)] {
        for (;;) {
            int signal = 0;
            if (sigwait(&stop, &signal) == 0) control->requestCancel();
        }
    }).detach();
}

}  // namespace velmora::cli
