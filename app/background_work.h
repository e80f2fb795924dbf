// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>

namespace velmora {

// Runs work on a worker thread while this thread's event loop keeps going
// (repaints, moves, resizes, a click on Cancel), and returns when the work has
// ended. An exception the work throws is thrown again here.
void runInBackground(const std::function<void()>& work);

}  // namespace velmora
