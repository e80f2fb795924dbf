// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/scaled_jpeg.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace velmora {

// libjpeg reports errors by a jump back to where it was called; each entry
// below sets the mark itself and calls nothing that owns memory after it.
struct ScaledJpeg::State {
    jpeg_decompress_struct info{};
    struct Errors {
        jpeg_error_mgr manager{};
        std::jmp_buf back{};
        bool failed = false;
    } errors;
    bool created = false;
    bool started = false;
};

namespace {

using Errors = decltype(ScaledJpeg::State::errors);

[[noreturn]] void jumpBack(j_common_ptr info) {
    auto* errors = reinterpret_cast<Errors*>(info->err);
    errors->failed = true;
    std::longjmp(errors->back, 1);
}

// A warning (damaged data) fails the decode too; trace messages are ignored.
void noteMessage(j_common_ptr info, int level) {
    if (level < 0) reinterpret_cast<Errors*>(info->err)->failed = true;
}

void noOutput(j_common_ptr) {}

bool readHeader(ScaledJpeg::State& s, std::span<const std::uint8_t> bytes) {
    if (setjmp(s.errors.back) != 0) return false;
    jpeg_create_decompress(&s.info);
    s.created = true;
    jpeg_mem_src(&s.info, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&s.info, TRUE);
    return true;
}

bool startDecoding(ScaledJpeg::State& s, int denominator) {
    if (setjmp(s.errors.back) != 0) return false;
    s.info.scale_num = 1;
    s.info.scale_denom = static_cast<unsigned int>(denominator);
    s.info.out_color_space = JCS_RGB;
    s.info.dct_method = JDCT_ISLOW;
    jpeg_start_decompress(&s.info);
    s.started = true;
    return true;
}

int decodeRows(ScaledJpeg::State& s, std::uint8_t* rows, int most) {
    if (setjmp(s.errors.back) != 0) return -1;
    const std::size_t stride = static_cast<std::size_t>(s.info.output_width) * 3;
    int got = 0;
    while (got < most && s.info.output_scanline < s.info.output_height) {
        JSAMPROW row = rows + static_cast<std::size_t>(got) * stride;
        got += static_cast<int>(jpeg_read_scanlines(&s.info, &row, 1));
    }
    return got;
}

}  // namespace

ScaledJpeg::ScaledJpeg(std::span<const std::uint8_t> bytes) : state_(std::make_unique<State>()) {
    State& s = *state_;
    s.info.err = jpeg_std_error(&s.errors.manager);
    s.errors.manager.error_exit = jumpBack;
    s.errors.manager.emit_message = noteMessage;
    s.errors.manager.output_message = noOutput;
    if (!readHeader(s, bytes)) s.errors.failed = true;
}

ScaledJpeg::~ScaledJpeg() {
    if (state_->created) jpeg_destroy_decompress(&state_->info);
}

bool ScaledJpeg::usable() const {
    const State& s = *state_;
    if (s.errors.failed) return false;
    if (s.info.data_precision != 8) return false;
    // A grey picture comes out as equal red, green and blue, as the library
    // makes of it too.
    if (s.info.num_components == 1) return s.info.jpeg_color_space == JCS_GRAYSCALE;
    return s.info.num_components == 3 &&
           (s.info.jpeg_color_space == JCS_YCbCr || s.info.jpeg_color_space == JCS_RGB);
}

PixelSize ScaledJpeg::size() const {
    return {static_cast<int>(state_->info.image_width),
            static_cast<int>(state_->info.image_height)};
}

bool ScaledJpeg::start(int denominator) {
    if (!usable()) return false;
    return startDecoding(*state_, std::max(0, denominator)) && !state_->errors.failed;
}

PixelSize ScaledJpeg::scaledSize() const {
    return {static_cast<int>(state_->info.output_width),
            static_cast<int>(state_->info.output_height)};
}

int ScaledJpeg::readRows(std::uint8_t* rows, int most) {
    if (!state_->started || state_->errors.failed) return -1;
    const int got = decodeRows(*state_, rows, most);
    return state_->errors.failed ? -1 : got;
}

int scaleDenominator(PixelSize size, PixelSize wanted) {
    const double across = static_cast<double>(size.width) / wanted.width;
    const double down = static_cast<double>(size.height) / wanted.height;
    return static_cast<int>(std::min(across, down));
}

PixelSize decodeWanted(PixelSize size, const ReplaceOptions& options, PixelSize frame,
                       AspectFraction display) {
    const bool turned =
        options.Orientation == Rotation::Rotate90 || options.Orientation == Rotation::Rotate270;
    const auto turnedIf = [turned](PixelSize s) {
        return turned ? PixelSize{s.height, s.width} : s;
    };
    if (options.Fit != FitMode::Crop || size.width <= 0 || size.height <= 0) return turnedIf(frame);
    const PixelSize oriented = turnedIf(size);
    const PixelSize kept = fittedSize(oriented, display, FitMode::Crop);
    const auto enlarged = [](int frameLength, int whole, int part) {
        const std::int64_t scaled = static_cast<std::int64_t>(frameLength) * whole;
        return static_cast<int>((scaled + part - 1) / part);
    };
    return turnedIf({enlarged(frame.width, oriented.width, kept.width),
                     enlarged(frame.height, oriented.height, kept.height)});
}

}  // namespace velmora
