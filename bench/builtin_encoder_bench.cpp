// SPDX-License-Identifier: GPL-3.0-or-later
// The built-in encoder's whole conversion (photo read and prepared, the
// quality searched to fill the room) of a 1024x768 and a 24-megapixel photo to
// a 720x576 MPEG-2 and MPEG-4 picture, against "one FFmpeg encode" measured in
// the same iteration: one encode of the same prepared picture with the same
// tuned settings (the setting the search found), in the program
// (x_one_encode) and as one run of the ffmpeg program on the prepared picture
// written as a file, with the same options (x_ffmpeg_run). The classic conversion of the same
// photos is BM_JpegConversion.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <fstream>
#include <memory>

#include "bench/bench_images.h"
#include "convert/builtin_conversion.h"
#include "convert/picture_encode.h"
#include "convert/tool_run.h"
#include "person/silent_dialogs.h"
#include "tests/fixtures/fixture_streams.h"

namespace velmora::bench {
namespace {

class Counting : public SilentDialogs {
  public:
    int tries = 0;
    void log(const std::string& line) override {
        if (line.rfind("Converting using", 0) == 0) ++tries;
    }
};

OldStreamParameters oldPicture(int kind) {
    const fixtures::Bytes stream =
        kind == kKindMpeg2 ? fixtures::mpeg2Still(720, 576, false) : fixtures::mpeg4Still(720, 576);
    return *readOldStreamParameters(stream, kind == kKindMpeg2);
}

std::string photoOf(bool large) {
    return large ? fixtures::photoJpeg(6000, 4000) : fixtures::photoJpeg(1024, 768);
}

std::int64_t roomOf(int kind) {
    return kind == kKindMpeg2 ? 40000 : 31000;
}

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void writePpm(const std::string& path, const PreparedPhoto& photo) {
    std::ofstream ppm(path, std::ios::binary);
    ppm << "P6\n" << photo.width << " " << photo.height << "\n255\n";
    ppm.write(reinterpret_cast<const char*>(photo.rgb.data()),
              static_cast<std::streamsize>(photo.rgb.size()));
}

// One run of the ffmpeg program encoding the prepared picture once with the
// settings the search kept (MPEG-2: at the nearest whole quantiser, the
// matrix aside; MPEG-4: the same lambda and macroblock quantisers), on
// as many threads as the program's encode; false when it did not run.
bool ffmpegOnce(int kind, const std::string& ppm, const EncoderSetting& kept) {
    const bool mpeg2 = kind == kKindMpeg2;
    const std::string out = benchWorkDir() + (mpeg2 ? "/once.m2v" : "/once.m4v");
    ToolCommand command = toolCommand("/usr/bin/ffmpeg");
    command.words("-nostdin -v error -y -i").quoted(ppm);
    command.words("-frames:v 1 -pix_fmt yuv420p -c:v");
    command.words(mpeg2 ? "mpeg2video -threads 2" : "mpeg4 -threads 1");
    command.words("-trellis 1 -mbd rd");
    const std::string lambda = std::to_string(kept.lambda);
    if (mpeg2) {
        const long quantiser = std::lround(static_cast<double>(kept.lambda) / kLambdaPerQuantiser);
        command.words("-q:v").words(std::to_string(std::max(1L, quantiser)));
        command.words(kept.detailTable ? "-intra_vlc 1" : "-intra_vlc 0");
    } else {
        const QuantiserRange range = macroblockQuantisers(kept.lambda);
        command.words("-qmin").words(std::to_string(range.finest));
        command.words("-qmax").words(std::to_string(range.coarsest));
        command.words("-i_qfactor 1 -i_qoffset 0 -mpv_flags +qp_rd");
        command.words("-lmin").words(lambda).words("-lmax").words(lambda);
    }
    command.words("-f").words(mpeg2 ? "mpeg2video" : "m4v").quoted(out);
    return runTool(command, WorkControl{}).end == ToolEnd::Finished;
}

void BM_BuiltinConversion(benchmark::State& state) {
    const int kind = static_cast<int>(state.range(0));
    const OldStreamParameters old = oldPicture(kind);
    const std::string photo = photoOf(state.range(1) != 0);
    const std::string ppm = benchWorkDir() + "/prepared.ppm";
    const WorkControl control;
    int tries = 0;
    std::size_t size = 0;
    double whole = 0;
    double oneEncode = 0;
    double ffmpegRun = 0;
    for (auto _ : state) {
        Counting ui;
        EncoderSetting kept;
        const Clock::time_point start = Clock::now();
        const PreparedPhoto prepared = preparePhoto(
            photo, ReplaceOptions{}, {old.width, old.height}, fractionOf(old.aspect()));
        const Result<std::vector<std::uint8_t>> stream =
            encodeToFit(old, prepared, roomOf(kind), ui, control, &kept);
        whole += secondsSince(start);
        if (!stream.ok()) {
            state.SkipWithError("the conversion failed");
            return;
        }
        tries = ui.tries;
        size = stream->size();
        state.PauseTiming();
        const PictureEncoder encoder(old, prepared);
        const Clock::time_point once = Clock::now();
        if (!encoder.encode(kept)) {
            state.SkipWithError("the encode failed");
            return;
        }
        oneEncode += secondsSince(once);
        writePpm(ppm, prepared);
        const Clock::time_point run = Clock::now();
        if (!ffmpegOnce(kind, ppm, kept)) {
            state.SkipWithError("ffmpeg did not run");
            return;
        }
        ffmpegRun += secondsSince(run);
        state.ResumeTiming();
    }
    state.counters["tries"] = tries;
    state.counters["room_filled_pct"] =
        100.0 * static_cast<double>(size) / static_cast<double>(roomOf(kind));
    state.counters["one_encode_ms"] = 1000.0 * oneEncode / static_cast<double>(state.iterations());
    state.counters["x_one_encode"] = whole / oneEncode;
    state.counters["x_ffmpeg_run"] = whole / ffmpegRun;
}
BENCHMARK(BM_BuiltinConversion)
    ->ArgNames({"kind", "24MP"})
    ->Args({kKindMpeg2, 0})
    ->Args({kKindMpeg4, 0})
    ->Args({kKindMpeg2, 1})
    ->Args({kKindMpeg4, 1})
    ->Iterations(5)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// One run of the ffmpeg program on the same photo: decoded, scaled to the
// picture and encoded once with the tuned options, written to a file. What
// "one FFmpeg encode" costs a program that starts it.
void BM_FfmpegCommand(benchmark::State& state) {
    const int kind = static_cast<int>(state.range(0));
    const std::string photo = photoOf(state.range(1) != 0);
    const std::string out = benchWorkDir() + (kind == kKindMpeg2 ? "/ffmpeg.m2v" : "/ffmpeg.m4v");
    for (auto _ : state) {
        ToolCommand command = toolCommand("/usr/bin/ffmpeg");
        command.words("-nostdin -v error -y -i").quoted(photo);
        command.words("-frames:v 1 -vf scale=720:576 -pix_fmt yuv420p -c:v");
        command.words(kind == kKindMpeg2 ? "mpeg2video" : "mpeg4");
        command.words("-trellis 2 -mbd rd -q:v 4 -f");
        command.words(kind == kKindMpeg2 ? "mpeg2video" : "m4v").quoted(out);
        if (runTool(command, WorkControl{}).end != ToolEnd::Finished) {
            state.SkipWithError("ffmpeg did not run");
            return;
        }
    }
}
BENCHMARK(BM_FfmpegCommand)
    ->ArgNames({"kind", "24MP"})
    ->Args({kKindMpeg2, 0})
    ->Args({kKindMpeg4, 0})
    ->Args({kKindMpeg2, 1})
    ->Args({kKindMpeg4, 1})
    ->Iterations(5)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace velmora::bench
