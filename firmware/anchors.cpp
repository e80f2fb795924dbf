// SPDX-License-Identifier: GPL-3.0-or-later
#include "firmware/anchors.h"

namespace velmora {

Anchors readAnchors(const ByteImage& image, std::uint32_t dataMarker) {
    Anchors anchors;
    if (dataMarker == 0) return anchors;
    anchors.AnchorPage = static_cast<std::uint16_t>(dataMarker >> 8);
    for (std::int64_t k = 256; k <= 512; ++k) {
        if (image.u32(k) != kAnchorCode) continue;
        if (k == 512) break;  // a match at 512 is outside the accepted window
        anchors.AnchorSegment = image.u16(k - 7);
        anchors.AnchorLength = image.u16(k + 9);
        anchors.SegmentBase = 0x4000;
        anchors.codeFound = true;
        break;
    }
    return anchors;
}

bool inAnchorRegion(const Anchors& anchors, std::uint32_t e) {
    const std::uint64_t first = std::uint64_t{anchors.AnchorPage} * 256;
    return e >= first && e <= first + anchors.AnchorLength;
}

}  // namespace velmora
