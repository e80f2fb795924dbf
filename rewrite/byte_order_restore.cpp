// SPDX-License-Identifier: GPL-3.0-or-later
#include "rewrite/byte_order_restore.h"

#include "firmware/byte_order.h"

namespace velmora {

std::vector<std::uint8_t> restoreStoredOrder(const ByteImage& working) {
    if (working.size() % 2 != 0) working.require(working.size() - 1, 2, "Read");
    return swapWordBytes(working.bytes());
}

}  // namespace velmora
