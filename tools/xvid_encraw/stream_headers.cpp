// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/xvid_encraw/stream_headers.h"

#include <algorithm>
#include <optional>
#include <string>

#include "tools/common/tool_main.h"

namespace velmora::tools {
namespace {

constexpr std::uint8_t kVideoObject = 0x00;  // 00 00 01 00..1F
constexpr std::uint8_t kVopStart = 0xB6;
constexpr std::uint8_t kUserData = 0xB2;

// Offset of the first start code 00 00 01 `code` at or after `from`.
[[nodiscard]] std::optional<std::size_t> findStartCode(std::span<const std::uint8_t> bytes,
                                                       std::uint8_t code, std::size_t from = 0) {
    for (std::size_t i = from; i + 4 <= bytes.size(); ++i) {
        if (bytes[i] == 0 && bytes[i + 1] == 0 && bytes[i + 2] == 1 && bytes[i + 3] == code) {
            return i;
        }
    }
    return std::nullopt;
}

[[nodiscard]] bool isVideoObjectLayerStart(std::span<const std::uint8_t> bytes, std::size_t at) {
    return at + 4 <= bytes.size() && bytes[at] == 0 && bytes[at + 1] == 0 && bytes[at + 2] == 1 &&
           (bytes[at + 3] & 0xF0) == 0x20;
}

}  // namespace

std::vector<std::uint8_t> withFirmwareHeaders(std::span<const std::uint8_t> stream) {
    const auto videoObject = findStartCode(stream, kVideoObject);
    if (!videoObject) throw ToolError("the encoder wrote no video object start code");
    const std::size_t body = *videoObject + 4;
    if (!isVideoObjectLayerStart(stream, body)) {
        throw ToolError("the encoder wrote no video object layer after the video object");
    }
    const auto vop = findStartCode(stream, kVopStart, body);
    if (!vop) throw ToolError("the encoder wrote no VOP");

    std::size_t vopDistance = *vop - body;
    // User data may stand between the layer header and the VOP; five bytes of it
    // move the VOP start code to an even distance.
    const std::uint8_t padding[] = {0x00, 0x00, 0x01, kUserData, ' '};
    const bool padded = vopDistance % 2 != 0;
    if (padded) vopDistance += sizeof padding;
    if (vopDistance + 4 > kMaxHeaderBytes) {
        throw ToolError("the stream headers take " + std::to_string(vopDistance + 4) +
                        " bytes, more than the " + std::to_string(kMaxHeaderBytes) +
                        " a player reads before the picture");
    }

    // Sized once and copied into: growing the vector piecewise makes GCC 12 at
    // -O3 warn of a copy past the first piece (-Warray-bounds, a false alarm).
    const auto headers = stream.subspan(*videoObject, *vop - *videoObject);
    const auto picture = stream.subspan(*vop);
    std::vector<std::uint8_t> out(kSequenceHeader.size() + headers.size() +
                                  (padded ? sizeof padding : 0) + picture.size());
    auto at = std::copy(kSequenceHeader.begin(), kSequenceHeader.end(), out.begin());
    at = std::copy(headers.begin(), headers.end(), at);
    if (padded) at = std::copy(std::begin(padding), std::end(padding), at);
    std::copy(picture.begin(), picture.end(), at);
    return out;
}

}  // namespace velmora::tools
