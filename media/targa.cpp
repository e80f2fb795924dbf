// SPDX-License-Identifier: GPL-3.0-or-later
#include "media/targa.h"

#include <algorithm>

#include "convert/tool_run.h"
#include "firmware/file_io.h"
#include "person/outcome.h"

namespace velmora {
namespace {

enum : std::uint8_t {
    kColorMapped = 1,
    kTrueColor = 2,
    kGrey = 3,
    kColorMappedRle = 9,
    kTrueColorRle = 10,
    kGreyRle = 11,
};

constexpr std::uint8_t kRightToLeft = 0x10;
constexpr std::uint8_t kTopToBottom = 0x20;

void readHeader(const ByteImage& file, TargaImage& image) {
    file.require(0, kTargaHeaderSize, "Read");
    image.IDLength = file.u8(0);
    image.ColorMapType = file.u8(1);
    image.ImageType = file.u8(2);
    image.ColorMapStart = file.u16(3);
    image.ColorMapLength = file.u16(5);
    image.ColorMapEntrySize = file.u8(7);
    image.XOrigin = file.u16(8);
    image.YOrigin = file.u16(10);
    image.Width = file.u16(12);
    image.Height = file.u16(14);
    image.PixelDepth = file.u8(16);
    image.ImageDescriptor = file.u8(17);
}

bool isRunLength(std::uint8_t type) {
    return type == kColorMappedRle || type == kTrueColorRle || type == kGreyRle;
}

// The converter for a depth and type pair of the supported table, or none.
TargaPixelConverter converterFor(std::uint8_t depth, std::uint8_t type,
                                 std::span<const std::uint8_t> colourMap) {
    const bool mapped = type == kColorMapped || type == kColorMappedRle;
    const bool grey = type == kGrey || type == kGreyRle;
    const bool trueColour = type == kTrueColor || type == kTrueColorRle;
    if (depth == 8 && mapped) {
        return [colourMap](std::span<const std::uint8_t> v, std::uint8_t* out) {
            const std::size_t at = std::size_t{v[0]} * 3;
            if (at + 3 > colourMap.size()) return false;
            std::copy_n(colourMap.begin() + static_cast<std::ptrdiff_t>(at), 3, out);
            return true;
        };
    }
    if (depth == 8 && grey) {
        return [](std::span<const std::uint8_t> v, std::uint8_t* out) {
            out[0] = out[1] = out[2] = v[0];
            return true;
        };
    }
    if (depth == 16 && trueColour) {
        // Five bits per channel widened by a shift alone: 31 becomes 248.
        return [](std::span<const std::uint8_t> v, std::uint8_t* out) {
            const unsigned w = v[0] | (unsigned{v[1]} << 8);
            out[0] = static_cast<std::uint8_t>((w & 0x1F) << 3);
            out[1] = static_cast<std::uint8_t>(((w >> 5) & 0x1F) << 3);
            out[2] = static_cast<std::uint8_t>(((w >> 10) & 0x1F) << 3);
            return true;
        };
    }
    if ((depth == 24 || depth == 32) && trueColour) {
        return [](std::span<const std::uint8_t> v, std::uint8_t* out) {
            std::copy(v.begin(), v.end(), out);
            return true;
        };
    }
    return {};
}

bool decodeUncompressed(const ByteImage& file, std::int64_t offset, std::span<std::uint8_t> pixels,
                        int valueBytes, int outBytes, const TargaPixelConverter& convert) {
    const std::int64_t count = static_cast<std::int64_t>(pixels.size()) / outBytes;
    const auto data = file.view(offset, count * valueBytes);
    for (std::int64_t i = 0; i < count; ++i) {
        if (!convert(data.subspan(static_cast<std::size_t>(i * valueBytes),
                                  static_cast<std::size_t>(valueBytes)),
                     pixels.data() + i * outBytes))
            return false;
    }
    return true;
}

void orient(TargaImage& image) {
    const std::size_t b = static_cast<std::size_t>(image.bytesPerPixel());
    const std::size_t rowBytes = image.Width * b;
    auto& px = image.Pixels;
    if ((image.ImageDescriptor & kRightToLeft) != 0) {
        for (std::size_t row = 0; row < image.Height; ++row) {
            std::uint8_t* r = px.data() + row * rowBytes;
            for (std::size_t l = 0, rr = image.Width - 1u; l < rr; ++l, --rr)
                std::swap_ranges(r + l * b, r + (l + 1) * b, r + rr * b);
        }
    }
    if ((image.ImageDescriptor & kTopToBottom) != 0) {
        for (std::size_t i = 0; i < image.Height / 2u; ++i) {
            std::uint8_t* top = px.data() + i * rowBytes;
            std::uint8_t* bottom = px.data() + (image.Height - 1u - i) * rowBytes;
            std::swap_ranges(top, top + rowBytes, bottom);
        }
    }
}

}  // namespace

bool DecodeTargaRle(const ByteImage& file, std::int64_t offset, std::span<std::uint8_t> pixels,
                    int valueBytes, int outBytes, const TargaPixelConverter& convert) {
    const std::int64_t total = static_cast<std::int64_t>(pixels.size()) / outBytes;
    std::int64_t done = 0;
    while (done < total) {
        const std::uint8_t header = file.u8(offset++);
        const std::int64_t count = std::min<std::int64_t>((header & 0x7F) + 1, total - done);
        if ((header & 0x80) != 0) {
            std::uint8_t* first = pixels.data() + done * outBytes;
            if (!convert(file.view(offset, valueBytes), first)) return false;
            offset += valueBytes;
            for (std::int64_t i = 1; i < count; ++i)
                std::copy_n(first, outBytes, first + i * outBytes);
        } else {
            for (std::int64_t i = 0; i < count; ++i) {
                if (!convert(file.view(offset, valueBytes), pixels.data() + (done + i) * outBytes))
                    return false;
                offset += valueBytes;
            }
        }
        done += count;
    }
    return true;
}

bool decodeTarga(const ByteImage& file, TargaImage& image) {
    image = TargaImage{};
    readHeader(file, image);
    std::int64_t offset = kTargaHeaderSize + image.IDLength;

    std::span<const std::uint8_t> colourMap;
    const bool mapped = image.ImageType == kColorMapped || image.ImageType == kColorMappedRle;
    if (mapped) {
        if (image.ColorMapType != 1 || image.ColorMapEntrySize != 24) return false;
        colourMap = file.view(offset, std::int64_t{image.ColorMapLength} * 3);
        offset += std::int64_t{image.ColorMapLength} * 3;
    } else if (image.ColorMapType == 1) {
        // A map the picture does not use still precedes its pixel data.
        offset += std::int64_t{image.ColorMapLength} * ((image.ColorMapEntrySize + 7) / 8);
    }

    const auto convert = converterFor(image.PixelDepth, image.ImageType, colourMap);
    if (!convert) return false;
    const std::int64_t count = std::int64_t{image.Width} * image.Height;
    if (count == 0 || count > kMaxTargaPixels) return false;
    const int valueBytes = image.PixelDepth / 8;
    const int outBytes = image.PixelDepth == 32 ? 4 : 3;

    // Refuse before allocating when the file cannot hold the announced pixels:
    // uncompressed data needs every value, run-length data at least one packet
    // of two or more bytes per 128 pixels.
    const std::int64_t leastData =
        isRunLength(image.ImageType) ? (count + 127) / 128 * (1 + valueBytes) : count * valueBytes;
    file.require(offset, leastData, "Read");

    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(count * outBytes));
    const bool ok = isRunLength(image.ImageType)
                        ? DecodeTargaRle(file, offset, pixels, valueBytes, outBytes, convert)
                        : decodeUncompressed(file, offset, pixels, valueBytes, outBytes, convert);
    if (!ok) return false;
    image.PixelDepth = static_cast<std::uint8_t>(outBytes * 8);
    image.Pixels = std::move(pixels);
    orient(image);
    return true;
}

bool LoadTarga(const std::string& path, TargaImage& image) {
    image.Pixels.clear();
    ByteImage file;
    // A file that cannot be opened is no picture, not an error.
    const Outcome opened = guardIo([&] {
        // Larger than any picture a tool may write: not read into memory.
        if (fileSize(path) > kLargestToolOutput) return Outcome::refused(kErrorCaption, path);
        file = readImageFile(path);
        return Outcome::done();
    });
    return opened.isDone() && decodeTarga(file, image);
}

}  // namespace velmora
