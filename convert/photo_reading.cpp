// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/photo_reading.h"

#include <Magick++.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <mutex>
#include <string_view>

namespace velmora {
namespace {

bool startsWith(std::span<const std::uint8_t> head, std::string_view magic, std::size_t at = 0) {
    if (head.size() < at + magic.size()) return false;
    return std::equal(magic.begin(), magic.end(), head.begin() + static_cast<std::ptrdiff_t>(at),
                      [](char m, std::uint8_t b) { return static_cast<std::uint8_t>(m) == b; });
}

// The library wants starting once per process, before its first picture.
void startPictureLibrary() {
    static std::once_flag started;
    std::call_once(started, [] { Magick::InitializeMagick(nullptr); });
}

std::string lowered(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// The decoder's complaint in the person's words.
std::string damageOf(const std::string& complaint) {
    const std::string said = lowered(complaint);
    constexpr std::array<std::string_view, 6> kEndsEarly = {
        "premature end", "insufficient image data", "unexpected end", "end of file",
        "truncat",       "no image was loaded"};
    for (std::string_view words : kEndsEarly)
        if (said.find(words) != std::string::npos) return "its picture data ends early";
    if (said.find("corrupt jpeg data") != std::string::npos) return "its picture data is corrupt";
    return "its picture cannot be decoded";
}

}  // namespace

std::optional<PhotoFormat> photoFormatOf(std::span<const std::uint8_t> head) {
    if (startsWith(head, "\xFF\xD8\xFF")) return PhotoFormat::Jpeg;
    if (startsWith(head, "\x89PNG\r\n\x1A\n")) return PhotoFormat::Png;
    if (startsWith(head, "BM") && head.size() >= 14) return PhotoFormat::Bmp;
    if (startsWith(head, std::string_view("II*\0", 4)) ||
        startsWith(head, std::string_view("MM\0*", 4)))
        return PhotoFormat::Tiff;
    if (startsWith(head, "RIFF") && startsWith(head, "WEBP", 8)) return PhotoFormat::WebP;
    if (startsWith(head, "GIF87a") || startsWith(head, "GIF89a")) return PhotoFormat::Gif;
    return std::nullopt;
}

const char* photoFormatName(PhotoFormat format) {
    switch (format) {
        case PhotoFormat::Jpeg:
            return "JPEG";
        case PhotoFormat::Png:
            return "PNG";
        case PhotoFormat::Bmp:
            return "BMP";
        case PhotoFormat::Tiff:
            return "TIFF";
        case PhotoFormat::WebP:
            return "WebP";
        case PhotoFormat::Gif:
            return "GIF";
    }
    return "";
}

PhotoReading readPhoto(std::span<const std::uint8_t> bytes, PhotoFormat format) {
    startPictureLibrary();
    PhotoReading reading;
    try {
        Magick::Image image;
        // Only the format its first bytes show: the library would otherwise
        // try its many other readers (video among them) on a damaged file.
        image.magick(photoFormatName(format) == std::string_view("WebP") ? "WEBP"
                                                                         : photoFormatName(format));
        image.read(Magick::Blob(bytes.data(), bytes.size()));
        reading.width = static_cast<int>(image.columns());
        reading.height = static_cast<int>(image.rows());
        if (reading.width <= 0 || reading.height <= 0) reading.damage = "it holds no picture";
    } catch (const Magick::Exception& complaint) {
        // Warnings too: a JPEG cut short still "reads", as a half-grey picture.
        reading.damage = damageOf(complaint.what());
    }
    return reading;
}

}  // namespace velmora
