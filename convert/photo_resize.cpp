// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/photo_resize.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace velmora {
namespace {

double sinc(double x) {
    if (x == 0.0) return 1.0;
    const double a = std::numbers::pi * x;
    return std::sin(a) / a;
}

// Mitchell and Netravali's cubic with B = C = 1/3.
double mitchell(double x) {
    constexpr double b = 1.0 / 3.0;
    constexpr double c = 1.0 / 3.0;
    x = std::fabs(x);
    if (x < 1.0)
        return ((12 - 9 * b - 6 * c) * x * x * x + (-18 + 12 * b + 6 * c) * x * x + (6 - 2 * b)) /
               6;
    if (x < 2.0)
        return ((-b - 6 * c) * x * x * x + (6 * b + 30 * c) * x * x + (-12 * b - 48 * c) * x +
                (8 * b + 24 * c)) /
               6;
    return 0.0;
}

double lanczos(double x) {
    return std::fabs(x) < 3.0 ? sinc(x) * sinc(x / 3.0) : 0.0;
}

std::uint8_t toByte(float value) {
    return static_cast<std::uint8_t>(std::clamp(value, 0.0f, 255.0f) + 0.5f);
}

}  // namespace

ResizeFilter resizeFilterFor(PixelSize from, PixelSize to) {
    const double x = static_cast<double>(to.width) / from.width;
    const double y = static_cast<double>(to.height) / from.height;
    return x * y > 1.0 ? ResizeFilter::Mitchell : ResizeFilter::Lanczos;
}

StreamedResize::Axis StreamedResize::axisWeights(int canvasLength, int photoOffset, int photoLength,
                                                 int outLength, ResizeFilter filter) {
    // As ImageMagick places the taps: centred on the output pixel's middle,
    // the filter widened by the shrink factor, cut at the canvas' edges and
    // normalised over what is left.
    const double factor = static_cast<double>(outLength) / canvasLength;
    const double widened = std::max(1.0 / factor, 1.0);
    const double support = widened * (filter == ResizeFilter::Lanczos ? 3.0 : 2.0);
    Axis axis;
    axis.taps.resize(static_cast<std::size_t>(outLength));
    std::vector<double> weights;
    for (int i = 0; i < outLength; ++i) {
        const double centre = (i + 0.5) / factor + 1.0e-12;
        const int start = static_cast<int>(std::max(centre - support + 0.5, 0.0));
        const int stop =
            static_cast<int>(std::min(centre + support + 0.5, static_cast<double>(canvasLength)));
        weights.clear();
        double density = 0;
        for (int j = start; j < stop; ++j) {
            const double t = (j - centre + 0.5) / widened;
            weights.push_back(filter == ResizeFilter::Lanczos ? lanczos(t) : mitchell(t));
            density += weights.back();
        }
        if (density != 0.0)
            for (double& w : weights) w /= density;
        // Only the taps on the photo: the rest are black and add nothing.
        const int from = std::max(start, photoOffset);
        const int to = std::min(stop, photoOffset + photoLength);
        Taps& taps = axis.taps[static_cast<std::size_t>(i)];
        taps.weight = axis.weights.size();
        if (to <= from) continue;
        taps.first = from - photoOffset;
        taps.count = to - from;
        for (int j = from; j < to; ++j)
            axis.weights.push_back(
                static_cast<float>(weights[static_cast<std::size_t>(j - start)]));
    }
    return axis;
}

StreamedResize::StreamedResize(const CanvasPlacement& placement, PixelSize out, ResizeFilter filter)
    : placement_(placement), size_(out) {
    across_ =
        axisWeights(placement.canvas.width, placement.x, placement.photo.width, out.width, filter);
    down_ = axisWeights(placement.canvas.height, placement.y, placement.photo.height, out.height,
                        filter);
    out_.resize(static_cast<std::size_t>(out.width) * out.height * 3);
}

// Down first, then across: the sum down runs over whole rows at once (the
// compiler's vector code), and the row across it is only the output's height.
void StreamedResize::filterRow(const std::uint8_t* rgb, int outRow) {
    const std::size_t samples = static_cast<std::size_t>(placement_.photo.width) * 3;
    const Taps& down = down_.taps[static_cast<std::size_t>(outRow)];
    std::vector<float>& sum = column_;
    sum.assign(samples, 0.0f);
    for (int k = 0; k < down.count; ++k) {
        const float weight = down_.weights[down.weight + static_cast<std::size_t>(k)];
        const std::uint8_t* row = rgb + static_cast<std::size_t>(down.first + k) * samples;
        for (std::size_t i = 0; i < samples; ++i) sum[i] += weight * static_cast<float>(row[i]);
    }
    // ImageMagick keeps the half-way picture within the channel's range.
    for (float& value : sum) value = std::clamp(value, 0.0f, 255.0f);
    std::uint8_t* into = out_.data() + static_cast<std::size_t>(outRow) * size_.width * 3;
    for (const Taps& across : across_.taps) {
        const float* pixel = sum.data() + static_cast<std::size_t>(across.first) * 3;
        const float* weight = across_.weights.data() + across.weight;
        float r = 0, g = 0, b = 0;
        for (int k = 0; k < across.count; ++k, pixel += 3) {
            r += weight[k] * pixel[0];
            g += weight[k] * pixel[1];
            b += weight[k] * pixel[2];
        }
        *into++ = toByte(r);
        *into++ = toByte(g);
        *into++ = toByte(b);
    }
}

int StreamedResize::advance(const std::uint8_t* rgb, int rowsIn, int budget) {
    int done = 0;
    while (downDone_ < size_.height && done < budget) {
        const Taps& taps = down_.taps[static_cast<std::size_t>(downDone_)];
        if (taps.count > 0 && taps.first + taps.count > rowsIn) break;
        filterRow(rgb, downDone_++);
        ++done;
    }
    return done;
}

}  // namespace velmora
