// SPDX-License-Identifier: GPL-3.0-or-later
// The built-in encoder's whole conversion (photo read and prepared, the
// quality searched to fill the room) of a 1024x768 and a 24-megapixel photo to
// a 720x576 MPEG-2 and MPEG-4 picture, beside one plain libavcodec encode of
// the same prepared picture (the yardstick), in the same run. The classic
// conversion of the same photos is BM_JpegConversion.
#include <benchmark/benchmark.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libswscale/swscale.h>
}

#include <memory>

#include "bench/bench_images.h"
#include "convert/builtin_conversion.h"
#include "convert/run_and_wait.h"
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

void BM_BuiltinConversion(benchmark::State& state) {
    const int kind = static_cast<int>(state.range(0));
    const OldStreamParameters old = oldPicture(kind);
    const std::string photo = photoOf(state.range(1) != 0);
    const WorkControl control;
    int tries = 0;
    std::size_t size = 0;
    for (auto _ : state) {
        Counting ui;
        const PreparedPhoto prepared = preparePhoto(
            photo, ReplaceOptions{}, {old.width, old.height}, fractionOf(old.aspect()));
        const Result<std::vector<std::uint8_t>> stream =
            encodeToFit(old, prepared, roomOf(kind), ui, control);
        if (!stream.ok()) {
            state.SkipWithError("the conversion failed");
            return;
        }
        tries = ui.tries;
        size = stream->size();
    }
    state.counters["tries"] = tries;
    state.counters["room_filled_pct"] =
        100.0 * static_cast<double>(size) / static_cast<double>(roomOf(kind));
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

// One encode of the prepared picture with libavcodec's defaults at a fixed
// quantiser: what one plain FFmpeg encode costs.
void BM_PlainFfmpegEncode(benchmark::State& state) {
    const int kind = static_cast<int>(state.range(0));
    const OldStreamParameters old = oldPicture(kind);
    const PreparedPhoto prepared = preparePhoto(photoOf(false), ReplaceOptions{},
                                                {old.width, old.height}, fractionOf(old.aspect()));
    AVFrame* frame = av_frame_alloc();
    frame->format = AV_PIX_FMT_YUV420P;
    frame->width = old.width;
    frame->height = old.height;
    if (av_frame_get_buffer(frame, 0) < 0) return;
    SwsContext* scale =
        sws_getContext(prepared.width, prepared.height, AV_PIX_FMT_RGB24, old.width, old.height,
                       AV_PIX_FMT_YUV420P, SWS_BICUBIC, nullptr, nullptr, nullptr);
    const std::uint8_t* source[1] = {prepared.rgb.data()};
    const int stride[1] = {prepared.width * 3};
    sws_scale(scale, source, stride, 0, prepared.height, frame->data, frame->linesize);
    sws_freeContext(scale);
    const AVCodec* codec =
        avcodec_find_encoder(kind == kKindMpeg2 ? AV_CODEC_ID_MPEG2VIDEO : AV_CODEC_ID_MPEG4);
    for (auto _ : state) {
        AVCodecContext* c = avcodec_alloc_context3(codec);
        c->width = old.width;
        c->height = old.height;
        c->pix_fmt = AV_PIX_FMT_YUV420P;
        c->time_base = AVRational{1, 25};
        c->framerate = AVRational{25, 1};
        c->flags |= AV_CODEC_FLAG_QSCALE;
        c->global_quality = 4 * FF_QP2LAMBDA;
        c->thread_count = 1;
        if (avcodec_open2(c, codec, nullptr) < 0) {
            state.SkipWithError("the encoder did not open");
            return;
        }
        frame->pts = 0;
        frame->quality = c->global_quality;
        AVPacket* packet = av_packet_alloc();
        (void)avcodec_send_frame(c, frame);
        (void)avcodec_send_frame(c, nullptr);
        while (avcodec_receive_packet(c, packet) == 0) av_packet_unref(packet);
        av_packet_free(&packet);
        avcodec_free_context(&c);
    }
    av_frame_free(&frame);
}
BENCHMARK(BM_PlainFfmpegEncode)
    ->ArgNames({"kind"})
    ->Arg(kKindMpeg2)
    ->Arg(kKindMpeg4)
    ->Iterations(10)
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
        if (!RunAndWait(command)) {
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
