// SPDX-License-Identifier: GPL-3.0-or-later
// Where a photo's preparation for a 720x576 picture spends its time, for a
// 1024x768 and a 24-megapixel photo: reading the file, the JPEG decode at the
// scale it needs alone, and the whole preparation the fast way (decode and
// resize together) and ImageMagick's way.
#include <benchmark/benchmark.h>

#include <vector>

#include "convert/photo_preparation.h"
#include "convert/scaled_jpeg.h"
#include "firmware/file_io.h"
#include "tests/fixtures/fixture_streams.h"

namespace velmora::bench {
namespace {

constexpr PixelSize kFrame{720, 576};

std::string photoOf(bool large) {
    return large ? fixtures::photoJpeg(6000, 4000) : fixtures::photoJpeg(1024, 768);
}

void BM_PhotoRead(benchmark::State& state) {
    const std::string photo = photoOf(state.range(0) != 0);
    for (auto _ : state) benchmark::DoNotOptimize(readImageFile(photo).bytes().size());
}
BENCHMARK(BM_PhotoRead)->ArgName("24MP")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_PhotoScaledDecode(benchmark::State& state) {
    const std::vector<std::uint8_t> bytes = readImageFile(photoOf(state.range(0) != 0)).bytes();
    for (auto _ : state) {
        ScaledJpeg jpeg(bytes);
        if (!jpeg.start(scaleDenominator(jpeg.size(), kFrame))) {
            state.SkipWithError("the decode failed");
            return;
        }
        const PixelSize size = jpeg.scaledSize();
        std::vector<std::uint8_t> rows(static_cast<std::size_t>(size.width) * size.height * 3);
        for (int row = 0, got = 1; got > 0; row += got)
            got = jpeg.readRows(rows.data() + static_cast<std::size_t>(row) * size.width * 3, 16);
    }
}
BENCHMARK(BM_PhotoScaledDecode)->ArgName("24MP")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_PhotoPreparation(benchmark::State& state) {
    const std::string photo = photoOf(state.range(0) != 0);
    const auto way = state.range(1) != 0 ? PreparationWay::Library : PreparationWay::Fastest;
    for (auto _ : state)
        benchmark::DoNotOptimize(preparePhoto(photo, {}, kFrame, {4, 3}, {}, way).rgb.data());
}
BENCHMARK(BM_PhotoPreparation)
    ->ArgNames({"24MP", "library"})
    ->Args({0, 0})
    ->Args({0, 1})
    ->Args({1, 0})
    ->Args({1, 1})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace velmora::bench
