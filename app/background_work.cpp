// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/background_work.h"

#include "app/qt_hand_over.h"

#include <QEventLoop>
#include <exception>
#include <thread>

namespace velmora {

void runInBackground(const std::function<void()>& work) {
    QEventLoop loop;
    std::exception_ptr failure;
    std::thread worker([&] {
        try {
            work();
        } catch (...) {
            failure = std::current_exception();
        }
        // Queued behind everything the work posted (log lines, progress), so
        // those have all arrived when this returns.
        QMetaObject::invokeMethod(
            &loop, [&loop, handOver = QtHandOver{}] { handOver.run([&loop] { loop.quit(); }); },
            Qt::QueuedConnection);
    });
    loop.exec();
    worker.join();
    if (failure) std::rethrow_exception(failure);
}

}  // namespace velmora
