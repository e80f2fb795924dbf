// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/pixmend/frame_filter.h"

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>

#include "tools/common/tool_main.h"

namespace velmora::tools {
namespace {

using Bytes = std::span<const std::uint8_t>;

// Header lines are short; a "line" running on past this is frame data, not a header.
constexpr std::size_t kMaxHeaderLine = 1024;

constexpr std::string_view kStreamTag = "YUV4MPEG2";
constexpr std::string_view kFrameTag = "FRAME";

// Length of the header line with the given tag at `pos`, line feed included, or
// nothing when there is no complete such line there. The tag must stand alone or be
// followed by a blank and parameters.
[[nodiscard]] std::optional<std::size_t> headerLineAt(Bytes in, std::size_t pos,
                                                      std::string_view tag) {
    if (pos > in.size() || in.size() - pos <= tag.size()) return std::nullopt;
    if (!std::equal(tag.begin(), tag.end(), in.begin() + static_cast<std::ptrdiff_t>(pos))) {
        return std::nullopt;
    }
    const std::size_t after = pos + tag.size();
    if (in[after] != '\n' && in[after] != ' ') return std::nullopt;
    const std::size_t limit = std::min(in.size(), pos + kMaxHeaderLine);
    for (std::size_t i = after; i < limit; ++i) {
        if (in[i] == '\n') return i + 1 - pos;
    }
    return std::nullopt;
}

[[nodiscard]] bool startsWith(Bytes in, std::string_view tag) {
    return in.size() >= tag.size() && std::equal(tag.begin(), tag.end(), in.begin());
}

// Splits `in` from `pos` into frame lines each followed by `frameSize` bytes, appending
// the frames to `out`. False when the input does not end exactly after a whole frame.
[[nodiscard]] bool collectFrames(Bytes in, std::size_t pos, std::size_t frameSize,
                                 std::vector<std::uint8_t>& out) {
    out.clear();
    while (pos < in.size()) {
        const auto line = headerLineAt(in, pos, kFrameTag);
        if (!line) return false;
        pos += *line;
        if (in.size() - pos < frameSize) return false;
        out.insert(out.end(), in.begin() + static_cast<std::ptrdiff_t>(pos),
                   in.begin() + static_cast<std::ptrdiff_t>(pos + frameSize));
        pos += frameSize;
    }
    return true;
}

[[nodiscard]] std::string lineText(Bytes in, std::size_t length) {
    return {in.begin(), in.begin() + static_cast<std::ptrdiff_t>(length - 1)};
}

// Bytes of one frame as the stream header describes it (width, height, chroma layout).
[[nodiscard]] std::size_t frameSizeFromStreamHeader(const std::string& header) {
    std::size_t width = 0;
    std::size_t height = 0;
    std::string chroma = "420jpeg";
    std::size_t start = 0;
    while (start < header.size()) {
        std::size_t end = header.find(' ', start);
        if (end == std::string::npos) end = header.size();
        const std::string token = header.substr(start, end - start);
        if (token.size() > 1 && token[0] == 'W') {
            width = static_cast<std::size_t>(parseWholeNumber(token.substr(1), "The frame width"));
        } else if (token.size() > 1 && token[0] == 'H') {
            height =
                static_cast<std::size_t>(parseWholeNumber(token.substr(1), "The frame height"));
        } else if (token.size() > 1 && token[0] == 'C') {
            chroma = token.substr(1);
        }
        start = end + 1;
    }
    if (width == 0 || height == 0) {
        throw ToolError("the stream header names no frame size: \"" + header + "\"");
    }
    const std::size_t halfWidth = (width + 1) / 2;
    const std::size_t halfHeight = (height + 1) / 2;
    if (chroma.starts_with("420")) return width * height + 2 * halfWidth * halfHeight;
    if (chroma.starts_with("422")) return width * height + 2 * halfWidth * height;
    if (chroma.starts_with("444")) return 3 * width * height;
    if (chroma == "mono") return width * height;
    throw ToolError("the stream header names an unknown chroma layout \"" + chroma + "\"");
}

// Without a stream header the frame size is not written anywhere: it is the distance
// between two frame lines. Frame data may happen to contain the bytes "FRAME", so a
// distance counts only if every frame then has a frame line in front of it and the last
// frame ends exactly at the end of the input. With no second frame line, the one frame
// runs to the end.
[[nodiscard]] std::vector<std::uint8_t> stripHeaderlessFrames(Bytes in) {
    const std::size_t firstLine = *headerLineAt(in, 0, kFrameTag);
    std::vector<std::uint8_t> out;
    for (std::size_t pos = firstLine + 1; pos + kFrameTag.size() < in.size(); ++pos) {
        if (in[pos] != 'F' || !headerLineAt(in, pos, kFrameTag)) continue;
        if (collectFrames(in, 0, pos - firstLine, out)) return out;
    }
    return {in.begin() + static_cast<std::ptrdiff_t>(firstLine), in.end()};
}

}  // namespace

std::vector<std::uint8_t> stripFrameLines(Bytes input) {
    if (input.empty()) throw ToolError("no frame on standard input (it is empty)");
    if (startsWith(input, kStreamTag)) {
        const auto header = headerLineAt(input, 0, kStreamTag);
        if (!header) throw ToolError("the YUV4MPEG2 stream header line has no end");
        const std::size_t frameSize = frameSizeFromStreamHeader(lineText(input, *header));
        std::vector<std::uint8_t> out;
        if (!collectFrames(input, *header, frameSize, out)) {
            throw ToolError("the frames do not match the stream header (" +
                            std::to_string(frameSize) + " bytes each) or the last one is cut off");
        }
        if (out.empty()) throw ToolError("the stream holds a header but no frame");
        return out;
    }
    if (startsWith(input, kFrameTag)) {
        if (!headerLineAt(input, 0, kFrameTag)) {
            throw ToolError("the first FRAME line has no end or no frame after it");
        }
        return stripHeaderlessFrames(input);
    }
    return {input.begin(), input.end()};
}

}  // namespace velmora::tools
