// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/photo_preparation.h"

#include <Magick++.h>

#include <mutex>
#include <optional>

#include "convert/direct_jpeg_preparation.h"
#include "convert/photo_reading.h"
#include "convert/scaled_jpeg.h"
#include "firmware/file_io.h"
#include "firmware/work_file.h"

namespace velmora {
namespace {

void initialiseMagick() {
    static std::once_flag once;
    std::call_once(once, [] { Magick::InitializeMagick(nullptr); });
}

bool quarterTurn(Rotation rotation) {
    return rotation == Rotation::Rotate90 || rotation == Rotation::Rotate270;
}

double degrees(Rotation rotation) {
    switch (rotation) {
        case Rotation::None:
            return 0;
        case Rotation::Rotate90:
            return 90;
        case Rotation::Rotate180:
            return 180;
        case Rotation::Rotate270:
            return 270;
    }
    return 0;
}

// The picture library's progress hook: it stops the operation at hand when
// the person cancelled. Its threads may call it at once.
MagickCore::MagickBooleanType goOnUnlessCancelled(const char*, MagickCore::MagickOffsetType,
                                                  MagickCore::MagickSizeType, void* data) {
    const auto* cancelled = static_cast<const PreparationCancelled*>(data);
    return (*cancelled)() ? MagickCore::MagickFalse : MagickCore::MagickTrue;
}

std::vector<std::uint8_t> photoBytes(const std::string& path) {
    try {
        return readImageFile(path).bytes();
    } catch (const std::exception& error) {
        throw PreparationError(error.what());
    }
}

// From memory, as the converter reads it: a file name would carry meaning
// ("photo[1].jpg" selects a frame). The JPEG decoder may scale down by a whole
// factor at which the picture still covers the hint.
Magick::Image readPhoto(const std::string& path, const std::vector<std::uint8_t>& bytes,
                        const std::string& sizeHint,
                        const PreparationCancelled* cancelled = nullptr) {
    Magick::Image image;
    if (!sizeHint.empty()) image.defineValue("jpeg", "size", sizeHint);
    // The image read inherits the hook, and so does every copy made of it.
    if (cancelled != nullptr && *cancelled)
        MagickCore::SetImageInfoProgressMonitor(image.imageInfo(), goOnUnlessCancelled,
                                                const_cast<PreparationCancelled*>(cancelled));
    try {
        image.read(Magick::Blob(bytes.data(), bytes.size()));
    } catch (const Magick::Warning&) {
        // A picture with small damage still gives an image.
    } catch (const Magick::Exception& error) {
        throw PreparationError(path + " is no picture that can be read: " + error.what());
    }
    if (cancelled != nullptr && *cancelled && (*cancelled)()) throw PreparationError("cancelled");
    if (image.columns() == 0 || image.rows() == 0)
        throw PreparationError(path + " holds no picture");
    image.colorSpace(Magick::sRGBColorspace);
    image.matte(false);
    return image;
}

void applyColour(Magick::Image& image, const ReplaceOptions& options) {
    if (options.Greyscale) image.type(Magick::GrayscaleType);
    if (options.Colors != ColorMode::Colors24) {
        image.quantizeColors(options.Colors == ColorMode::Colors256 ? 256 : 16);
        image.quantizeColorSpace(options.Greyscale ? Magick::GRAYColorspace
                                                   : Magick::sRGBColorspace);
        image.quantize();
    }
}

void applyOrientation(Magick::Image& image, const ReplaceOptions& options) {
    if (options.Orientation != Rotation::None) image.rotate(degrees(options.Orientation));
    if (options.HMirror) image.flop();
    if (options.VMirror) image.flip();
}

// Crops or borders the image, centred, to `size`.
void applyFit(Magick::Image& image, PixelSize size, FitMode fit) {
    const auto width = static_cast<std::size_t>(size.width);
    const auto height = static_cast<std::size_t>(size.height);
    if (fit == FitMode::Stretch || (width == image.columns() && height == image.rows())) return;
    if (fit == FitMode::Crop) {
        const auto x = static_cast<ssize_t>((image.columns() - width) / 2);
        const auto y = static_cast<ssize_t>((image.rows() - height) / 2);
        image.crop(Magick::Geometry(width, height, x, y));
        image.page(Magick::Geometry(0, 0, 0, 0));
        return;
    }
    image.backgroundColor(Magick::Color(0, 0, 0));
    image.extent(Magick::Geometry(width, height), Magick::Color(0, 0, 0),
                 MagickCore::CenterGravity);
}

// The bitmap the converter writes between its two runs has three 8-bit
// channels, whatever the colours.
void asTrueColour(Magick::Image& image) {
    image.type(Magick::TrueColorType);
    image.depth(8);
}

PixelSize sizeOf(const Magick::Image& image) {
    return {static_cast<int>(image.columns()), static_cast<int>(image.rows())};
}

PreparedPhoto exported(Magick::Image& image) {
    PreparedPhoto photo;
    photo.width = static_cast<int>(image.columns());
    photo.height = static_cast<int>(image.rows());
    photo.rgb.resize(static_cast<std::size_t>(photo.width) * photo.height * 3);
    image.write(0, 0, image.columns(), image.rows(), "RGB", Magick::CharPixel, photo.rgb.data());
    return photo;
}

// The resized photo of the fast way given the options it leaves: the grey
// (of a weighted sum, the same before the resize as after) and the
// orientation (the resize is symmetric, so it may come first).
PreparedPhoto finished(PreparedPhoto photo, const ReplaceOptions& options) {
    if (!options.Greyscale && options.Orientation == Rotation::None && !options.HMirror &&
        !options.VMirror)
        return photo;
    Magick::Image image(static_cast<std::size_t>(photo.width),
                        static_cast<std::size_t>(photo.height), "RGB", Magick::CharPixel,
                        photo.rgb.data());
    applyColour(image, options);
    applyOrientation(image, options);
    asTrueColour(image);
    return exported(image);
}

// ImageMagick's way: every format it reads, every colour option, in the
// converter's order.
PreparedPhoto preparedByTheLibrary(const std::string& path, const std::vector<std::uint8_t>& bytes,
                                   const ReplaceOptions& options, PixelSize frame,
                                   AspectFraction display, const PreparationCancelled& cancelled) {
    // The JPEG decoder's scale: the same as the fast way's.
    PixelSize stored;
    if (photoFormatOf(bytes) == PhotoFormat::Jpeg) stored = ScaledJpeg(bytes).size();
    const PixelSize wanted = decodeWanted(stored, options, frame, display);
    const std::string hint = std::to_string(wanted.width) + "x" + std::to_string(wanted.height);
    Magick::Image image = readPhoto(path, bytes, hint, &cancelled);
    applyColour(image, options);
    applyOrientation(image, options);
    asTrueColour(image);
    applyFit(image, fittedSize(sizeOf(image), display, options.Fit), options.Fit);
    Magick::Geometry size(static_cast<std::size_t>(frame.width),
                          static_cast<std::size_t>(frame.height));
    size.aspect(true);
    image.resize(size);
    // A stopped operation may leave a partial picture and no complaint.
    if (cancelled && cancelled()) throw PreparationError("cancelled");
    return exported(image);
}

}  // namespace

PreparedPhoto preparePhoto(const std::string& path, const ReplaceOptions& options, PixelSize frame,
                           AspectFraction display, const PreparationCancelled& cancelled,
                           PreparationWay way) {
    initialiseMagick();
    const std::vector<std::uint8_t> bytes = photoBytes(path);
    try {
        if (way == PreparationWay::Fastest && photoFormatOf(bytes) == PhotoFormat::Jpeg) {
            std::optional<PreparedPhoto> photo =
                decodeJpegToFrame(bytes, options, frame, display, cancelled);
            if (photo) return finished(std::move(*photo), options);
        }
        return preparedByTheLibrary(path, bytes, options, frame, display, cancelled);
    } catch (const Magick::Exception& error) {
        throw PreparationError(std::string("the photo could not be prepared: ") + error.what());
    }
}

void writeFittedSource(const std::string& path, const std::string& out,
                       const ReplaceOptions& options, AspectFraction display) {
    initialiseMagick();
    try {
        Magick::Image image = readPhoto(path, photoBytes(path), {});
        // Before a quarter turn the proportions are the other way round.
        const AspectFraction before =
            quarterTurn(options.Orientation) ? AspectFraction{display.den, display.num} : display;
        applyFit(image, fittedSize(sizeOf(image), before, options.Fit), options.Fit);
        asTrueColour(image);
        image.strip();
        image.quality(100);
        image.interlaceType(Magick::NoInterlace);
        // Through memory: ImageMagick would read meaning into the file name.
        Magick::Blob blob;
        image.write(&blob, "JPEG");
        const auto* data = static_cast<const std::uint8_t*>(blob.data());
        writeWorkFile(out, std::span<const std::uint8_t>(data, blob.length()));
    } catch (const Magick::Exception& error) {
        throw PreparationError(std::string("the photo could not be prepared: ") + error.what());
    }
}

}  // namespace velmora
