// SPDX-License-Identifier: GPL-3.0-or-later
#include "catalogue/vol_header.h"

namespace velmora {
namespace {

class BitReader {
  public:
    explicit BitReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    // `count` bits from bit `first` on, most significant first.
    [[nodiscard]] std::uint32_t bits(int first, int count) const {
        std::uint32_t value = 0;
        for (int i = first; i < first + count; ++i) value = (value << 1) | bit(i);
        return value;
    }

  private:
    [[nodiscard]] std::uint32_t bit(int index) const {
        const auto byte = static_cast<std::size_t>(index / 8);
        if (byte >= bytes_.size()) return 0;
        return (bytes_[byte] >> (7 - index % 8)) & 1u;
    }
    std::span<const std::uint8_t> bytes_;
};

int bitsToWrite(std::uint32_t value) {
    int n = 1;
    while (n < 32 && (value >> n) != 0) ++n;
    return n;
}

}  // namespace

VolSize parseVolSize(std::span<const std::uint8_t> header) {
    const BitReader r(header);
    int shift = 0;
    std::uint32_t version = 0;
    if (r.bits(41, 1) == 1) {  // is_object_layer_identifier
        shift = 7;
        version = r.bits(42, 4);
    }
    if (r.bits(42 + shift, 4) == 15) shift += 16;  // extended pixel aspect ratio
    if (r.bits(46 + shift, 1) == 1)                // vol_control_parameters
        shift += r.bits(50 + shift, 1) == 1 ? 83 : 4;
    if (r.bits(47 + shift, 2) == 3 && version != 1) shift += 4;  // grayscale shape
    const std::uint32_t resolution = r.bits(50 + shift, 16);
    if (r.bits(67 + shift, 1) == 1)  // fixed_vop_rate
        shift += bitsToWrite(static_cast<std::uint16_t>(resolution - 1));
    return {static_cast<int>(r.bits(69 + shift, 13)), static_cast<int>(r.bits(83 + shift, 13))};
}

}  // namespace velmora
