// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/old_stream_parameters.h"

namespace velmora {
namespace {

constexpr std::uint8_t kSequenceHeader = 0xB3;
constexpr std::uint8_t kExtension = 0xB5;
constexpr std::uint8_t kPicture = 0x00;
constexpr std::uint8_t kVop = 0xB6;
constexpr std::uint8_t kGroupOfVops = 0xB3;

bool fits(std::span<const std::uint8_t> bytes, std::size_t at, std::size_t count) {
    return at <= bytes.size() && count <= bytes.size() - at;
}

}  // namespace

std::uint32_t readBits(std::span<const std::uint8_t> bytes, std::size_t bit, int count) {
    std::uint32_t value = 0;
    for (int i = 0; i < count; ++i) {
        const std::size_t at = bit + static_cast<std::size_t>(i);
        const std::uint32_t b = at / 8 < bytes.size() ? (bytes[at / 8] >> (7 - at % 8)) & 1u : 0u;
        value = (value << 1) | b;
    }
    return value;
}

void writeBits(std::span<std::uint8_t> bytes, std::size_t bit, int count, std::uint32_t value) {
    for (int i = 0; i < count; ++i) {
        const std::size_t at = bit + static_cast<std::size_t>(i);
        if (at / 8 >= bytes.size()) return;
        const auto mask = static_cast<std::uint8_t>(1u << (7 - at % 8));
        if ((value >> (count - 1 - i)) & 1u)
            bytes[at / 8] = static_cast<std::uint8_t>(bytes[at / 8] | mask);
        else
            bytes[at / 8] = static_cast<std::uint8_t>(bytes[at / 8] & ~mask);
    }
}

std::optional<std::size_t> findStartCode(std::span<const std::uint8_t> bytes, std::size_t from,
                                         std::uint8_t code) {
    for (std::size_t i = from; fits(bytes, i, 4); ++i)
        if (bytes[i] == 0 && bytes[i + 1] == 0 && bytes[i + 2] == 1 && bytes[i + 3] == code)
            return i;
    return std::nullopt;
}

std::size_t nextStartCode(std::span<const std::uint8_t> bytes, std::size_t from) {
    for (std::size_t i = from; fits(bytes, i, 3); ++i)
        if (bytes[i] == 0 && bytes[i + 1] == 0 && bytes[i + 2] == 1) return i;
    return bytes.size();
}

std::int64_t Mpeg2StreamParameters::vbvBytes() const {
    const std::int64_t value = (std::int64_t{vbvExtension} << 10) | vbvValue;
    return value * 2048;
}

std::optional<Mpeg2StreamParameters> readMpeg2Parameters(std::span<const std::uint8_t> stream) {
    if (!fits(stream, 0, 12) || findStartCode(stream, 0, kSequenceHeader) != std::size_t{0})
        return std::nullopt;
    Mpeg2StreamParameters p;
    p.width = static_cast<int>(readBits(stream, 32, 12));
    p.height = static_cast<int>(readBits(stream, 44, 12));
    p.aspectCode = static_cast<int>(readBits(stream, 56, 4));
    p.frameRateCode = static_cast<int>(readBits(stream, 60, 4));
    p.bitRateValue = readBits(stream, 64, 18);
    p.vbvValue = static_cast<int>(readBits(stream, 83, 10));
    p.constrained = readBits(stream, 93, 1) == 1;
    // Everything up to the first picture belongs to the sequence.
    const std::size_t picture = findStartCode(stream, 4, kPicture).value_or(stream.size());
    std::size_t at = 4;
    while (const std::optional<std::size_t> ext = findStartCode(stream, at, kExtension)) {
        at = *ext + 4;
        const std::size_t bit = (*ext + 4) * 8;
        const std::uint32_t id = readBits(stream, bit, 4);
        if (*ext < picture && id == 1 && !p.hasExtension) {
            p.hasExtension = true;
            p.profileLevel = static_cast<int>(readBits(stream, bit + 4, 8));
            p.progressiveSequence = readBits(stream, bit + 12, 1) == 1;
            p.chromaFormat = static_cast<int>(readBits(stream, bit + 13, 2));
            p.sizeExtension = static_cast<int>(readBits(stream, bit + 15, 4));
            p.bitRateExtension = static_cast<int>(readBits(stream, bit + 19, 12));
            p.vbvExtension = static_cast<int>(readBits(stream, bit + 32, 8));
            p.lowDelay = readBits(stream, bit + 40, 1) == 1;
            p.frameRateExtension = static_cast<int>(readBits(stream, bit + 41, 7));
        } else if (*ext > picture && id == 8) {  // picture coding extension
            p.topFieldFirst = readBits(stream, bit + 24, 1) == 1;
            p.progressiveFrame = readBits(stream, bit + 32, 1) == 1;
            break;
        }
    }
    return p;
}

std::optional<Mpeg4StreamParameters> readMpeg4Parameters(std::span<const std::uint8_t> stream) {
    // The video object start code is 00 00 01 00..1F; the layer's 00 00 01 20..2F.
    std::optional<std::size_t> vo;
    for (std::size_t i = 0; fits(stream, i, 4); ++i) {
        if (stream[i] == 0 && stream[i + 1] == 0 && stream[i + 2] == 1 && stream[i + 3] <= 0x1F) {
            vo = i;
            break;
        }
    }
    if (!vo) return std::nullopt;
    const std::size_t vol = nextStartCode(stream, *vo + 4);
    if (!fits(stream, vol, 4) || (stream[vol + 3] & 0xF0) != 0x20) return std::nullopt;
    Mpeg4StreamParameters p;
    p.objectCode = stream[*vo + 3];
    const std::size_t volEnd = nextStartCode(stream, vol + 4);
    p.vol.assign(stream.begin() + static_cast<std::ptrdiff_t>(vol),
                 stream.begin() + static_cast<std::ptrdiff_t>(volEnd));
    p.fields = parseVolFields(p.vol);
    const std::optional<std::size_t> vop = findStartCode(stream, volEnd, kVop);
    const std::optional<std::size_t> gov = findStartCode(stream, volEnd, kGroupOfVops);
    p.hasGroupOfVops = gov && (!vop || *gov < *vop);
    return p;
}

DisplayAspect displayAspectOf(const Mpeg2StreamParameters& p) {
    // MPEG-2 names the display aspect; MPEG-1 the pixel aspect, of which 3
    // (0.6735) and 6 (0.7615) are the wide-screen ones.
    if (p.hasExtension) return p.aspectCode == 3 ? DisplayAspect::Wide : DisplayAspect::Standard;
    return p.aspectCode == 3 || p.aspectCode == 6 ? DisplayAspect::Wide : DisplayAspect::Standard;
}

DisplayAspect displayAspectOf(const Mpeg4StreamParameters& p) {
    // 16:11 and 40:33 are the wide-screen pixel shapes of 625 and 525 lines.
    const int info = p.fields.aspectRatioInfo;
    return info == 4 || info == 5 ? DisplayAspect::Wide : DisplayAspect::Standard;
}

}  // namespace velmora
