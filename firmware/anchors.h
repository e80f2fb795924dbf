// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

#include "firmware/byte_image.h"

namespace velmora {

struct Anchors {
    std::uint16_t AnchorPage = 0;
    std::uint16_t AnchorSegment = 0;
    std::uint16_t AnchorLength = 0;
    std::uint32_t SegmentBase = 0;
    bool codeFound = false;  // false: the free area must not be offered
};

// Bytes 8E D8 BE 00, searched for at offsets 256..511.
inline constexpr std::uint32_t kAnchorCode = 0x00BED88E;

// Reads the anchor values once a data marker is known (dataMarker != 0).
// Values not found stay 0.
[[nodiscard]] Anchors readAnchors(const ByteImage& image, std::uint32_t dataMarker);

// True when flash address e lies in the region the anchors describe (both ends included).
[[nodiscard]] bool inAnchorRegion(const Anchors& anchors, std::uint32_t e);

}  // namespace velmora
