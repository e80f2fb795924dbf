// SPDX-License-Identifier: GPL-3.0-or-later
#include "rewrite/image_checksum.h"

namespace velmora {

std::uint8_t writeImageChecksum(ByteImage& image) {
    const std::int64_t size = image.size();
    const std::int64_t k = checksumWidth(size);
    image.require(size - k, k, "Write");
    std::uint8_t sum = 0;
    for (const std::uint8_t b : image.view(0, size - k)) sum = static_cast<std::uint8_t>(sum + b);
    for (std::int64_t i = size - k; i < size; ++i) image.put8(i, sum);
    return sum;
}

}  // namespace velmora
