// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace velmora {

// The still picture formats a replacement is made from, told by their first bytes.
enum class PhotoFormat { Jpeg, Png, Bmp, Tiff, WebP, Gif };

// The format the first bytes of a file show; nullopt for anything else.
[[nodiscard]] std::optional<PhotoFormat> photoFormatOf(std::span<const std::uint8_t> head);
// "JPEG", "PNG", ..., as the panel shows it.
[[nodiscard]] const char* photoFormatName(PhotoFormat format);

// A photo decoded whole: its size, or why it does not decode cleanly.
struct PhotoReading {
    int width = 0;
    int height = 0;
    // Empty when every picture byte decoded without complaint; else what is
    // wrong, in the person's words ("its picture data ends early").
    std::string damage;
};

// Decodes the whole picture (not only its header), so that a photo cut short
// or otherwise damaged shows now and not as a half-grey picture later. Any
// warning of the decoder counts as damage.
[[nodiscard]] PhotoReading readPhoto(std::span<const std::uint8_t> bytes, PhotoFormat format);

}  // namespace velmora
