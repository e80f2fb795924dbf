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

// Reads fields one after another.
class BitCursor {
  public:
    explicit BitCursor(std::span<const std::uint8_t> bytes, int at) : reader_(bytes), at_(at) {}
    std::uint32_t take(int count) {
        const std::uint32_t value = reader_.bits(at_, count);
        at_ += count;
        return value;
    }
    bool flag() { return take(1) == 1; }
    [[nodiscard]] int at() const { return at_; }

  private:
    BitReader reader_;
    int at_;
};

// A quantiser matrix of the layer: up to 64 values, a 0 ends it early.
void skipMatrix(BitCursor& c) {
    for (int i = 0; i < 64; ++i)
        if (c.take(8) == 0) return;
}

int bitsToWrite(std::uint32_t value) {
    int n = 1;
    while (n < 32 && (value >> n) != 0) ++n;
    return n;
}

}  // namespace

VolFields parseVolFields(std::span<const std::uint8_t> header) {
    VolFields f;
    BitCursor c(header, 32);
    (void)c.take(1);  // random_accessible_vol
    f.objectType = static_cast<int>(c.take(8));
    if (c.flag()) {
        f.verid = static_cast<int>(c.take(4));
        (void)c.take(3);  // priority
    }
    f.aspectRatioInfo = static_cast<int>(c.take(4));
    if (f.aspectRatioInfo == 15) {
        f.parWidth = static_cast<int>(c.take(8));
        f.parHeight = static_cast<int>(c.take(8));
    }
    f.volControl = c.flag();
    if (f.volControl) {
        f.chromaFormat = static_cast<int>(c.take(2));
        f.lowDelay = c.flag();
        if (c.flag()) (void)c.take(79);  // vbv parameters
    }
    f.shape = static_cast<int>(c.take(2));
    (void)c.take(1);
    f.timeIncrementResolution = static_cast<int>(c.take(16));
    (void)c.take(1);
    f.fixedVopRate = c.flag();
    if (f.fixedVopRate)
        (void)c.take(bitsToWrite(static_cast<std::uint16_t>(f.timeIncrementResolution - 1)));
    if (f.shape != 0) return f;
    (void)c.take(1);
    f.width = static_cast<int>(c.take(13));
    (void)c.take(1);
    f.height = static_cast<int>(c.take(13));
    (void)c.take(1);
    f.interlacedBit = c.at();
    f.interlaced = c.flag();
    f.obmcDisable = c.flag();
    f.spriteEnable = static_cast<int>(c.take(f.verid == 1 ? 1 : 2));
    if (f.spriteEnable != 0 || c.flag()) return f;  // sprites, not_8_bit
    f.quantType = static_cast<int>(c.take(1));
    if (f.quantType == 1) {
        if (c.flag()) skipMatrix(c);
        if (c.flag()) skipMatrix(c);
    }
    if (f.verid != 1) f.quarterSample = c.flag();
    if (!c.flag()) return f;  // complexity estimation
    f.resyncMarkerDisable = c.flag();
    f.dataPartitioned = c.flag();
    if (f.dataPartitioned) f.reversibleVlc = c.flag();
    if (f.verid != 1) {
        if (c.flag()) return f;  // newpred
        (void)c.take(1);         // reduced resolution
    }
    if (c.flag()) return f;  // scalability
    f.endBit = c.at();
    f.readable = true;
    return f;
}

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
