// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/media/synthetic_pictures.h"

#include <algorithm>

#include "firmware/byte_order.h"

namespace velmora::testing {

std::vector<std::uint8_t> patternedStream(std::size_t length, std::uint8_t seed) {
    std::vector<std::uint8_t> s(length);
    std::uint32_t x = seed * 2654435761u + 12345u;
    for (auto& b : s) {
        x = x * 1103515245u + 12345u;
        b = static_cast<std::uint8_t>((x >> 16) | 1u);  // odd: never zero
    }
    return s;
}

SyntheticPicture fragmentedMpeg2(const std::vector<std::uint8_t>& stream, std::uint32_t start,
                                 int block, int gap, std::size_t imageSize) {
    SyntheticPicture p;
    p.image.assign(imageSize + (imageSize % 2), 0xFF);
    const std::size_t b = gap == 0 ? stream.size() : static_cast<std::size_t>(block);
    std::size_t at = start;
    for (std::size_t i = 0; i < stream.size(); ++i) {
        if (i > 0 && i % b == 0) {
            std::fill_n(p.image.begin() + static_cast<std::ptrdiff_t>(at), gap, 0x00);
            at += static_cast<std::size_t>(gap);
        }
        p.image.at(at++) = stream[i];
    }
    p.entry.Kind = kKindMpeg2;
    p.entry.Start = start;
    p.entry.End = static_cast<std::uint32_t>(at);
    p.entry.GapLength = gap;
    p.entry.BlockLength = gap == 0 ? static_cast<std::int32_t>(stream.size()) : block;
    p.expected = stream;
    return p;
}

SyntheticPicture mpeg4Chunk(const std::vector<std::uint8_t>& stream, std::uint32_t start,
                            bool wordSwapped, std::size_t imageSize) {
    SyntheticPicture p;
    p.image.assign(imageSize + (imageSize % 2), 0xFF);
    const std::uint32_t length = static_cast<std::uint32_t>(stream.size());
    std::uint32_t end = start + 8 + length;
    if (end % 2 != 0) ++end;
    std::vector<std::uint8_t> data = stream;
    data.resize(end - start - 8, 0x00);  // the pad byte
    const std::vector<std::uint8_t> tag = wordSwapped
                                              ? std::vector<std::uint8_t>{'0', '0', 'c', 'd'}
                                              : std::vector<std::uint8_t>{'0', '0', 'd', 'c'};
    std::vector<std::uint8_t> lengthField = {
        static_cast<std::uint8_t>(length), static_cast<std::uint8_t>(length >> 8),
        static_cast<std::uint8_t>(length >> 16), static_cast<std::uint8_t>(length >> 24)};
    std::vector<std::uint8_t> stored = data;
    if (wordSwapped) {
        std::swap(lengthField[0], lengthField[1]);
        std::swap(lengthField[2], lengthField[3]);
        for (std::size_t i = 0; i + 1 < stored.size(); i += 2) std::swap(stored[i], stored[i + 1]);
    }
    std::copy(tag.begin(), tag.end(), p.image.begin() + start);
    std::copy(lengthField.begin(), lengthField.end(), p.image.begin() + start + 4);
    std::copy(stored.begin(), stored.end(), p.image.begin() + start + 8);
    p.entry.Kind = kKindMpeg4;
    p.entry.Start = start;
    p.entry.End = end;
    p.entry.WordSwapped = wordSwapped;
    p.expected.assign({0x00, 0x00, 0x01, 0xB0, 0xF5, 0x00, 0x00, 0x01, 0xB5, 0x09});
    p.expected.insert(p.expected.end(), data.begin(), data.end());
    return p;
}

ByteImage storedAs(const std::vector<std::uint8_t>& image, bool byteSwapped,
                   const std::string& name) {
    return ByteImage(name, byteSwapped ? swapWordBytes(image) : image);
}

}  // namespace velmora::testing
