// A whole JPEG conversion with the real tools, as "Replace Image" runs it for a
// 720x576 picture: both converter runs and every encoder try of the bisection.
// Wall time is what counts here (the work is in the child processes).
#include <benchmark/benchmark.h>

#include <string>

#include "bench/bench_images.h"
#include "convert/jpeg_conversion.h"
#include "person/silent_dialogs.h"
#include "tests/fixtures/fixture_streams.h"

namespace velmora::bench {
namespace {

// Counts the encoder tries from their log lines.
class TryCounter : public SilentDialogs {
  public:
    int tries = 0;
    void log(const std::string& line) override {
        if (line.rfind("Converting using", 0) == 0) ++tries;
    }
    void error(const std::string&, const std::string&) override { failed = true; }
    bool failed = false;
};

void BM_JpegConversion(benchmark::State& state) {
    const int kind = static_cast<int>(state.range(0));
    Session session;
    session.TempDir = benchWorkDir();
    session.ToolDir = VELMORA_TOOL_DIR;
    session.SourcePath = fixtures::photoJpeg(1024, 768);
    session.SourceOpened = true;
    PictureEntry entry;
    entry.Kind = kind;
    entry.Width = 720;
    entry.Height = 576;
    entry.FrameRate = 25.0;
    // A room like the demo firmware's pictures offer.
    const std::int32_t room = kind == kKindMpeg2 ? 40000 : 31000;
    int tries = 0;
    for (auto _ : state) {
        TryCounter ui;
        const auto stream = convertJpegToStream(session, ui, entry, room);
        if (!stream.ok()) {
            state.SkipWithError("the conversion failed");
            return;
        }
        tries = ui.tries;
    }
    state.counters["tries"] = tries;
    state.counters["seconds_per_try"] =
        benchmark::Counter(static_cast<double>(tries) * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_JpegConversion)
    ->ArgName("kind")
    ->Arg(kKindMpeg2)
    ->Arg(kKindMpeg4)
    ->Iterations(3)
    ->Repetitions(1)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace velmora::bench
