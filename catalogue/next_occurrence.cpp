// SPDX-License-Identifier: GPL-3.0-or-later
#include "catalogue/next_occurrence.h"

namespace velmora {

std::int64_t NextOccurrence::find(std::int64_t from, std::int64_t last) {
    if (from < clearFrom_ || from > clearTo_) {
        clearFrom_ = from;
        clearTo_ = from;
        hit_ = false;
    }
    if (hit_) return clearTo_ <= last ? clearTo_ : -1;
    if (clearTo_ > last) return -1;
    const std::int64_t at = search_(clearTo_, last);
    if (at >= 0) {
        clearTo_ = at;
        hit_ = true;
        return at;
    }
    clearTo_ = last + 1;
    return -1;
}

}  // namespace velmora
