// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/catalogue/synthetic_streams.h"

#include <algorithm>

namespace velmora::testing {

void BitWriter::put(std::uint32_t value, int bits) {
    for (int i = bits - 1; i >= 0; --i) {
        if (used_ % 8 == 0) bytes_.push_back(0);
        if ((value >> i) & 1u) bytes_.back() |= static_cast<std::uint8_t>(0x80 >> (used_ % 8));
        ++used_;
    }
}

Bytes BitWriter::bytes() const {
    return bytes_;
}

Bytes volHeader(const VolFields& f) {
    BitWriter w;
    w.put(0x00000120, 32);
    w.put(0, 1);  // random_accessible_vol
    w.put(1, 8);  // video_object_type_indication
    w.put(f.objectLayerIdentifier ? 1 : 0, 1);
    if (f.objectLayerIdentifier) {
        w.put(static_cast<std::uint32_t>(f.verid), 4);
        w.put(1, 3);  // priority
    }
    w.put(static_cast<std::uint32_t>(f.aspectRatio), 4);
    if (f.aspectRatio == 15) w.put(0xABCD, 16);
    w.put(f.controlParameters ? 1 : 0, 1);
    if (f.controlParameters) {
        w.put(1, 2);  // chroma_format
        w.put(1, 1);  // low_delay
        w.put(f.vbvParameters ? 1 : 0, 1);
        if (f.vbvParameters)
            w.put(0x7FFF, 15), w.put(1, 1), w.put(0x7FFF, 15), w.put(1, 1), w.put(0x7FFF, 15),
                w.put(1, 1), w.put(7, 3), w.put(0x7FF, 11), w.put(1, 1), w.put(0x7FFF, 15),
                w.put(1, 1);
    }
    w.put(static_cast<std::uint32_t>(f.shape), 2);
    if (f.shape == 3 && f.verid != 1) w.put(5, 4);
    w.put(1, 1);  // marker
    w.put(static_cast<std::uint32_t>(f.resolution), 16);
    w.put(1, 1);  // marker
    w.put(f.fixedVopRate ? 1 : 0, 1);
    if (f.fixedVopRate) {
        int bits = 1;
        while (bits < 16 && ((f.resolution - 1) >> bits) != 0) ++bits;
        w.put(1, bits);
    }
    w.put(1, 1);
    w.put(static_cast<std::uint32_t>(f.width), 13);
    w.put(1, 1);
    w.put(static_cast<std::uint32_t>(f.height), 13);
    w.put(1, 1);
    w.put(0, 1);  // interlaced
    w.put(1, 1);  // obmc_disable
    w.put(0, 7);
    return w.bytes();
}

Bytes mpeg2Stream(int width, int height, std::uint8_t rateByte, std::size_t payload) {
    Bytes s{0x00, 0x00, 0x01, 0xB3};
    s.push_back(static_cast<std::uint8_t>(width >> 4));
    s.push_back(static_cast<std::uint8_t>(((width & 0x0F) << 4) | (height >> 8)));
    s.push_back(static_cast<std::uint8_t>(height));
    s.push_back(rateByte);
    s.insert(s.end(), payload, 0x11);
    s.insert(s.end(), {0x00, 0x00, 0x01, 0xB7});
    return s;
}

Bytes mpeg4Stream(const VolFields& f, std::size_t payload) {
    Bytes s{0x00, 0x00, 0x01, 0x00};
    const Bytes vol = volHeader(f);
    s.insert(s.end(), vol.begin(), vol.end());
    s.insert(s.end(), {0x00, 0x00, 0x01, 0xB6});
    s.insert(s.end(), payload, 0x22);
    return s;
}

Bytes videoChunk(const Bytes& stream, bool wordSwapped) {
    Bytes c{'0', '0', 'd', 'c'};
    const auto n = static_cast<std::uint32_t>(stream.size());
    for (int i = 0; i < 4; ++i) c.push_back(static_cast<std::uint8_t>(n >> (8 * i)));
    c.insert(c.end(), stream.begin(), stream.end());
    if (c.size() % 2 != 0) c.push_back(0);
    if (wordSwapped) {
        std::swap(c[2], c[3]);  // "00dc" becomes "00cd"
        for (std::size_t i = 4; i + 1 < c.size(); i += 2) std::swap(c[i], c[i + 1]);
    }
    return c;
}

Bytes fillerImage(std::size_t size) {
    Bytes image(size);
    for (std::size_t i = 0; i < size; ++i) image[i] = static_cast<std::uint8_t>(0x41 + i % 23);
    image[0] = 0xFA;
    image[1] = 0xA1;
    return image;
}

Bytes twoMpeg2Pictures() {
    Bytes image = fillerImage(0x8000);
    place(image, 0x1000, mpeg2Stream(720, 576, 0x23, 100));
    place(image, 0x2000, mpeg2Stream(720, 480, 0x24, 200));
    return image;
}

void place(Bytes& image, std::size_t at, const Bytes& data) {
    std::copy(data.begin(), data.end(), image.begin() + static_cast<std::ptrdiff_t>(at));
}

void putLe16(Bytes& image, std::size_t at, std::uint16_t v) {
    image[at] = static_cast<std::uint8_t>(v);
    image[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

void putLe32(Bytes& image, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        image[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}

}  // namespace velmora::testing
