// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/direct_jpeg_preparation.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>

#include "convert/photo_resize.h"
#include "convert/scaled_jpeg.h"

namespace velmora {
namespace {

// Rows decoded between two looks at the cancel, and output rows made by the
// other core at a time: a few milliseconds each for a 24-megapixel photo.
constexpr int kDecodeBand = 16;
constexpr int kFilterTurn = 32;

PixelSize turnedIf(PixelSize size, bool turned) {
    return turned ? PixelSize{size.height, size.width} : size;
}

bool quarterTurn(Rotation rotation) {
    return rotation == Rotation::Rotate90 || rotation == Rotation::Rotate270;
}

// The photo's offset on the canvas along one axis, given in the oriented
// picture, measured on the photo's own axis.
int offsetBefore(int canvas, int photo, int oriented, bool reversed) {
    return reversed ? canvas - photo - oriented : oriented;
}

// Where the photo lies on the canvas, in the photo's own orientation, for
// the canvas ImageMagick's crop (centred) or extent (centre gravity) makes
// of the oriented photo.
CanvasPlacement placementOf(PixelSize decoded, const ReplaceOptions& options,
                            AspectFraction display) {
    const bool turned = quarterTurn(options.Orientation);
    const PixelSize oriented = turnedIf(decoded, turned);
    const PixelSize canvas = fittedSize(oriented, display, options.Fit);
    int x = 0;
    int y = 0;
    if (options.Fit == FitMode::Crop && canvas != oriented) {
        x = -((oriented.width - canvas.width) / 2);
        y = -((oriented.height - canvas.height) / 2);
    } else if (options.Fit == FitMode::Fit && canvas != oriented) {
        x = canvas.width / 2 - oriented.width / 2;
        y = canvas.height / 2 - oriented.height / 2;
    }
    // The oriented picture's axes as the photo's: a clockwise quarter turn
    // makes the photo's x the picture's y, and its y the picture's x read
    // backwards; the mirrors reverse the picture's axes after the turn.
    bool acrossReversed = false;  // the oriented x axis
    bool downReversed = false;    // the oriented y axis
    switch (options.Orientation) {
        case Rotation::None:
            break;
        case Rotation::Rotate90:
            acrossReversed = true;
            break;
        case Rotation::Rotate180:
            acrossReversed = downReversed = true;
            break;
        case Rotation::Rotate270:
            downReversed = true;
            break;
    }
    if (options.HMirror) acrossReversed = !acrossReversed;
    if (options.VMirror) downReversed = !downReversed;
    const int orientedX = offsetBefore(canvas.width, oriented.width, x, acrossReversed);
    const int orientedY = offsetBefore(canvas.height, oriented.height, y, downReversed);
    CanvasPlacement placement;
    placement.photo = decoded;
    placement.canvas = turnedIf(canvas, turned);
    placement.x = turned ? orientedY : orientedX;
    placement.y = turned ? orientedX : orientedY;
    return placement;
}

// The rows the decoder has delivered, handed to the filtering core.
struct Handover {
    std::mutex mutex;
    std::condition_variable arrived;
    int rows = 0;
    bool decoderDone = false;
    std::atomic<bool> stop = false;
    std::atomic<bool> cancelSeen = false;
};

// The resize, made by whichever thread gets to it: the filtering core while
// the decoder runs, and the decoding one too once it is done, so that the
// rest never waits for a core the system has given to someone else.
class SharedResize {
  public:
    explicit SharedResize(StreamedResize& resize) : resize_(resize) {}
    int advance(const std::uint8_t* rgb, int rowsIn) {
        const std::lock_guard lock(mutex_);
        return resize_.advance(rgb, rowsIn, kFilterTurn);
    }
    bool finished() {
        const std::lock_guard lock(mutex_);
        return resize_.finished();
    }

  private:
    std::mutex mutex_;
    StreamedResize& resize_;
};

void filterAsRowsCome(SharedResize& resize, const std::uint8_t* rgb, Handover& handover,
                      const PreparationCancelled& cancelled) {
    int available = 0;
    for (;;) {
        {
            std::unique_lock lock(handover.mutex);
            handover.arrived.wait(lock, [&] {
                return handover.stop || handover.rows > available || handover.decoderDone;
            });
            if (handover.stop) return;
            const bool more = handover.rows > available;
            available = handover.rows;
            if (!more) return;  // the decoder is done and makes the rest itself
        }
        while (!handover.stop) {
            if (resize.advance(rgb, available) == 0) break;
            if (cancelled && cancelled()) {
                handover.cancelSeen = true;
                handover.stop = true;
                return;
            }
        }
        if (resize.finished()) return;
    }
}

}  // namespace

std::optional<PreparedPhoto> decodeJpegToFrame(std::span<const std::uint8_t> jpeg,
                                               const ReplaceOptions& options, PixelSize frame,
                                               AspectFraction display,
                                               const PreparationCancelled& cancelled) {
    if (options.Colors != ColorMode::Colors24) return std::nullopt;
    ScaledJpeg decoder(jpeg);
    if (!decoder.usable()) return std::nullopt;
    const bool turned = quarterTurn(options.Orientation);
    const PixelSize wanted = decodeWanted(decoder.size(), options, frame, display);
    if (!decoder.start(scaleDenominator(decoder.size(), wanted))) return std::nullopt;
    const PixelSize decoded = decoder.scaledSize();
    const CanvasPlacement placement = placementOf(decoded, options, display);
    const PixelSize out = turnedIf(frame, turned);
    StreamedResize resized(placement, out, resizeFilterFor(placement.canvas, out));
    SharedResize resize(resized);

    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(decoded.width) * decoded.height * 3);
    const std::size_t stride = static_cast<std::size_t>(decoded.width) * 3;
    Handover handover;
    std::exception_ptr filterFailure;
    std::thread filtering([&] {
        try {
            filterAsRowsCome(resize, rgb.data(), handover, cancelled);
        } catch (...) {
            filterFailure = std::current_exception();
            handover.stop = true;
        }
    });
    bool failed = false;
    bool cancelledHere = false;
    for (int row = 0; row < decoded.height && !handover.stop;) {
        const int got = decoder.readRows(rgb.data() + static_cast<std::size_t>(row) * stride,
                                         std::min(kDecodeBand, decoded.height - row));
        if (got <= 0) {
            failed = true;
            break;
        }
        row += got;
        {
            const std::lock_guard lock(handover.mutex);
            handover.rows = row;
        }
        handover.arrived.notify_one();
        if (cancelled && cancelled()) {
            cancelledHere = true;
            break;
        }
    }
    {
        const std::lock_guard lock(handover.mutex);
        handover.decoderDone = true;
        if (failed || cancelledHere) handover.stop = true;
    }
    handover.arrived.notify_one();
    while (!handover.stop && resize.advance(rgb.data(), decoded.height) > 0) {
        if (cancelled && cancelled()) {
            cancelledHere = true;
            break;
        }
    }
    handover.stop = true;
    handover.arrived.notify_one();
    filtering.join();
    if (cancelledHere || handover.cancelSeen) throw PreparationError("cancelled");
    if (filterFailure) std::rethrow_exception(filterFailure);
    if (failed || !resized.finished()) return std::nullopt;
    PreparedPhoto photo;
    photo.width = out.width;
    photo.height = out.height;
    photo.rgb = resized.take();
    return photo;
}

}  // namespace velmora
