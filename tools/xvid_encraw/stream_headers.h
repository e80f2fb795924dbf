// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace velmora::tools {

// Visual object sequence (Advanced Simple Profile, level 5) and visual object (video,
// no identifier) headers that every stream of ours starts with; players skip exactly
// these ten bytes to reach the video object start code.
inline constexpr std::array<std::uint8_t, 10> kSequenceHeader = {0x00, 0x00, 0x01, 0xB0, 0xF5,
                                                                 0x00, 0x00, 0x01, 0xB5, 0x09};

// A firmware reads the bytes after the video object start code two at a time, at most
// this many, looking for the VOP start code; both limits must hold for the picture to
// be found.
inline constexpr std::size_t kMaxHeaderBytes = 130;

// Takes an encoder's stream and returns it with kSequenceHeader in place of whatever
// preceded the video object start code, and the VOP start code at an even distance from
// that start code (a one-byte user data block is added when it is not). Throws ToolError
// when the stream lacks the video object, its layer or the VOP, or when the VOP start
// code would lie beyond kMaxHeaderBytes.
[[nodiscard]] std::vector<std::uint8_t> withFirmwareHeaders(std::span<const std::uint8_t> stream);

}  // namespace velmora::tools
