// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "convert/fit_geometry.h"

namespace velmora {

// The resize filter ImageMagick picks for a picture of neither palette nor
// transparency: Lanczos (three lobes) when it shrinks, Mitchell when it grows
// (the two factors' product above one).
enum class ResizeFilter { Lanczos, Mitchell };
[[nodiscard]] ResizeFilter resizeFilterFor(PixelSize from, PixelSize to);

// Where the decoded photo lies on the canvas that is resized to the frame:
// the canvas is the photo (stretch), a window of it (crop, negative offset)
// or the photo on black (fit, positive offset).
struct CanvasPlacement {
    PixelSize photo;
    PixelSize canvas;
    int x = 0;
    int y = 0;
};

// The separable resize of the canvas to `out`, fed the photo's rows top to
// bottom as a decoder delivers them: each output row is made as soon as the
// photo rows under its filter are in. The
// weights are those ImageMagick's resize gives, so the picture is the same
// within rounding; the black around a fitted photo counts in them as black.
class StreamedResize {
  public:
    StreamedResize(const CanvasPlacement& placement, PixelSize out, ResizeFilter filter);

    // Photo rows [0, rowsIn) of rgb (8-bit RGB, the photo's width) have
    // arrived. Makes at most `budget` output rows and says how many; 0 when
    // it waits for more rows or is finished.
    int advance(const std::uint8_t* rgb, int rowsIn, int budget);
    [[nodiscard]] bool finished() const { return downDone_ == size_.height; }

    // The output, 8-bit RGB, once finished.
    [[nodiscard]] std::vector<std::uint8_t> take() { return std::move(out_); }

  private:
    // One output pixel's taps, cut to where the photo lies: the first source
    // index, how many, and where their weights start.
    struct Taps {
        int first = 0;
        int count = 0;
        std::size_t weight = 0;
    };
    struct Axis {
        std::vector<Taps> taps;
        std::vector<float> weights;
    };
    static Axis axisWeights(int canvasLength, int photoOffset, int photoLength, int outLength,
                            ResizeFilter filter);

    void filterRow(const std::uint8_t* rgb, int outRow);

    CanvasPlacement placement_;
    PixelSize size_;
    Axis across_;
    Axis down_;
    int downDone_ = 0;
    std::vector<std::uint8_t> out_;
    // One output row filtered down, before it is filtered across.
    std::vector<float> column_;
};

}  // namespace velmora
