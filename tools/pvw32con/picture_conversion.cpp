// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/pvw32con/picture_conversion.h"

#include <Magick++.h>

#include <iostream>
#include <string>

#include "tools/common/tool_main.h"

namespace velmora::tools {
namespace {

// ImageMagick starts its messages with the program's name, which runTool adds already.
[[nodiscard]] std::string messageOf(const Magick::Exception& error) {
    std::string text = error.what();
    const std::string prefix = "pvw32con: ";
    return text.starts_with(prefix) ? text.substr(prefix.size()) : text;
}

// Pictures are read from memory: ImageMagick would otherwise read meaning into a file
// name ("photo[1].jpg" selects a frame, "gif:x" a format).
[[nodiscard]] Magick::Image readPicture(std::span<const std::uint8_t> bytes,
                                        const std::string& name, const std::string& sizeHint) {
    Magick::Image image;
    // The JPEG decoder then scales by a whole factor at which the picture still
    // covers this size (other formats ignore it).
    if (!sizeHint.empty()) image.defineValue("jpeg", "size", sizeHint);
    try {
        image.read(Magick::Blob(bytes.data(), bytes.size()));
    } catch (const Magick::Warning& warning) {
        // A picture with small damage (e.g. a cut-off JPEG) still gives an image.
        std::cerr << "pvw32con: " << name << ": " << messageOf(warning) << '\n';
    } catch (const Magick::Exception& error) {
        throw ToolError(name + " is no picture that can be read: " + messageOf(error));
    }
    if (image.columns() == 0 || image.rows() == 0) {
        throw ToolError(name + " holds no picture");
    }
    image.colorSpace(Magick::sRGBColorspace);
    image.matte(false);
    return image;
}

void applyColour(Magick::Image& image, const ConverterOptions& options) {
    if (options.greyscale) image.type(Magick::GrayscaleType);
    if (options.colours != ColourDepth::TrueColour) {
        image.quantizeColors(options.colours == ColourDepth::Colours256 ? 256 : 16);
        image.quantizeColorSpace(options.greyscale ? Magick::GRAYColorspace
                                                   : Magick::sRGBColorspace);
        image.quantize();
    }
}

// Rotation first, then the mirrors, each as seen on the rotated picture.
void applyOrientation(Magick::Image& image, const ConverterOptions& options) {
    if (options.rotation != 0) image.rotate(options.rotation);
    if (options.mirrorHorizontal) image.flop();
    if (options.mirrorVertical) image.flip();
}

[[nodiscard]] std::vector<std::uint8_t> encode(Magick::Image& image, const std::string& format) {
    // Always three 8-bit channels: no palette or grey-only file, whatever the colours.
    image.type(Magick::TrueColorType);
    image.depth(8);
    image.strip();
    Magick::Blob blob;
    image.write(&blob, format);
    const auto* data = static_cast<const std::uint8_t*>(blob.data());
    return {data, data + blob.length()};
}

// The smallest size the decoded picture must keep so that, rotated as asked,
// it still covers the final size; empty when that is not known.
[[nodiscard]] std::string decodeSizeHint(const ConverterOptions& options) {
    if (options.mode != ConverterMode::Bitmap || options.finalWidth <= 0 ||
        options.finalHeight <= 0)
        return {};
    const bool quarterTurn = options.rotation == 90 || options.rotation == 270;
    const int width = quarterTurn ? options.finalHeight : options.finalWidth;
    const int height = quarterTurn ? options.finalWidth : options.finalHeight;
    return std::to_string(width) + "x" + std::to_string(height);
}

}  // namespace

std::vector<std::uint8_t> convertPicture(std::span<const std::uint8_t> source,
                                         const ConverterOptions& options) {
    try {
        Magick::Image image = readPicture(source, options.source, decodeSizeHint(options));
        if (options.mode == ConverterMode::Bitmap) {
            applyColour(image, options);
            applyOrientation(image, options);
            return encode(image, "BMP3");
        }
        Magick::Geometry size(static_cast<std::size_t>(options.width),
                              static_cast<std::size_t>(options.height));
        size.aspect(true);  // exactly this size, whatever the picture's own proportions
        image.resize(size);
        image.quality(static_cast<std::size_t>(options.quality));
        image.interlaceType(Magick::NoInterlace);  // baseline, not progressive
        return encode(image, "JPEG");
    } catch (const Magick::Exception& error) {
        throw ToolError("the conversion failed: " + messageOf(error));
    }
}

}  // namespace velmora::tools
