// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "catalogue/vol_header.h"

namespace velmora {

// The fields of an MPEG-1/MPEG-2 sequence header and sequence extension that
// a new picture copies, so the player finds the stream it was made for.
struct Mpeg2StreamParameters {
    int width = 0;
    int height = 0;
    int aspectCode = 0;
    int frameRateCode = 0;
    std::uint32_t bitRateValue = 0;  // 18 bits
    int vbvValue = 0;                // the 10 low bits
    bool constrained = false;
    bool hasExtension = false;  // MPEG-2; without it an MPEG-1 stream
    int profileLevel = 0;
    bool progressiveSequence = true;
    int chromaFormat = 1;   // 1: 4:2:0, 2: 4:2:2, 3: 4:4:4
    int sizeExtension = 0;  // horizontal and vertical size extensions, 4 bits
    int bitRateExtension = 0;
    int vbvExtension = 0;
    bool lowDelay = false;
    int frameRateExtension = 0;    // n (2 bits) and d (5 bits)
    bool progressiveFrame = true;  // of the first picture coding extension
    bool topFieldFirst = false;

    // The declared VBV buffer, in bytes (units of 16 kbit).
    [[nodiscard]] std::int64_t vbvBytes() const;
};

// The old MPEG-4 picture's video object start code and layer, as stored.
struct Mpeg4StreamParameters {
    std::uint8_t objectCode = 0;    // the byte after 00 00 01 of the video object start code
    std::vector<std::uint8_t> vol;  // from its start code up to the next start code
    VolFields fields;
    bool hasGroupOfVops = false;  // 00 00 01 B3 before the first picture
};

enum class DisplayAspect { Standard, Wide };  // 4:3, 16:9

// Reads a sequence header (and its extensions) at the stream's start;
// nothing when the stream does not start with one.
[[nodiscard]] std::optional<Mpeg2StreamParameters> readMpeg2Parameters(
    std::span<const std::uint8_t> stream);

// Reads the video object and its layer from an MPEG-4 stream (the analysis'
// saved form, with the fixed header in front, or from the video object on).
[[nodiscard]] std::optional<Mpeg4StreamParameters> readMpeg4Parameters(
    std::span<const std::uint8_t> stream);

[[nodiscard]] DisplayAspect displayAspectOf(const Mpeg2StreamParameters& p);
[[nodiscard]] DisplayAspect displayAspectOf(const Mpeg4StreamParameters& p);

// The offset of the first start code 00 00 01 `code` at or after from, or
// std::nullopt.
[[nodiscard]] std::optional<std::size_t> findStartCode(std::span<const std::uint8_t> bytes,
                                                       std::size_t from, std::uint8_t code);
// The offset of the next start code of any kind at or after from, or the size.
[[nodiscard]] std::size_t nextStartCode(std::span<const std::uint8_t> bytes, std::size_t from);

// Reads and writes bit fields of a byte buffer, most significant bit first.
[[nodiscard]] std::uint32_t readBits(std::span<const std::uint8_t> bytes, std::size_t bit,
                                     int count);
void writeBits(std::span<std::uint8_t> bytes, std::size_t bit, int count, std::uint32_t value);

}  // namespace velmora
