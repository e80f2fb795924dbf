// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <memory>
#include <span>

#include "convert/fit_geometry.h"

namespace velmora {

// A JPEG photo decoded straight with libjpeg, at a scale of the DCT, row by
// row, with the settings ImageMagick decodes it with (so the rows are the same
// bytes). Only what it decodes exactly as ImageMagick does: eight-bit
// pictures in YCbCr, RGB or grey. Any error or warning of the decoder ends
// it: the caller then goes the library's way, which knows what to make of a
// damaged picture.
class ScaledJpeg {
  public:
    // Reads the header of the JPEG in bytes (which must outlive this).
    explicit ScaledJpeg(std::span<const std::uint8_t> bytes);
    ~ScaledJpeg();
    ScaledJpeg(const ScaledJpeg&) = delete;
    ScaledJpeg& operator=(const ScaledJpeg&) = delete;

    // False when the picture is not one this decodes, or went wrong.
    [[nodiscard]] bool usable() const;
    // The stored picture's size.
    [[nodiscard]] PixelSize size() const;

    // Starts decoding at 1/denominator (0: twice the size), which the decoder
    // rounds up to the next scale of the DCT it has. False on failure.
    [[nodiscard]] bool start(int denominator);
    [[nodiscard]] PixelSize scaledSize() const;

    // Decodes the next rows (at most `most`) into rows, one after the other,
    // 8-bit RGB of the scaled width; how many, 0 at the end, -1 on failure.
    [[nodiscard]] int readRows(std::uint8_t* rows, int most);

    // The decoder's own, opaque here.
    struct State;

  private:
    std::unique_ptr<State> state_;
};

// The denominator ImageMagick asks the decoder for when a picture of `size`
// is wanted as at least `wanted`: the whole part of the smaller ratio. It is
// 0 for a photo smaller than wanted, which the decoder takes as its largest
// scale, twice the size.
[[nodiscard]] int scaleDenominator(PixelSize size, PixelSize wanted);

// The size a photo of `size` (as stored) must be decoded at so that what is
// resized to the frame still covers it: the frame, turned back for a quarter
// turn; for a crop, enlarged by what the crop cuts away.
[[nodiscard]] PixelSize decodeWanted(PixelSize size, const ReplaceOptions& options, PixelSize frame,
                                     AspectFraction display);

}  // namespace velmora
