// SPDX-License-Identifier: GPL-3.0-or-later
// A whole JPEG conversion with the real tools, as "Replace Image" runs it for a
// 720x576 picture: both converter runs and every encoder try of the bisection.
// Wall time is what counts here (the work is in the child processes).
#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <set>
#include <string>

#include "bench/bench_images.h"
#include "convert/jpeg_conversion.h"
#include "person/silent_dialogs.h"
#include "tests/fixtures/fixture_streams.h"

namespace velmora::bench {
namespace {

// Counts the tries from their log lines, and the settings among them: a
// setting tried again is not encoded again. (Runs ahead of the search that it
// turned out not to need are not counted.)
class TryCounter : public SilentDialogs {
  public:
    int tries = 0;
    std::set<std::string> settings;
    void log(const std::string& line) override {
        if (line.rfind("Converting using", 0) != 0) return;
        ++tries;
        settings.insert(line.substr(0, line.find(" - file size")));
    }
    void error(const std::string&, const std::string&) override { failed = true; }
    bool failed = false;
};

// User and system time of every tool run that has ended, so far.
double toolCpuSeconds() {
    rusage children{};
    ::getrusage(RUSAGE_CHILDREN, &children);
    const auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    return seconds(children.ru_utime) + seconds(children.ru_stime);
}

void BM_JpegConversion(benchmark::State& state) {
    const int kind = static_cast<int>(state.range(0));
    const bool large = state.range(1) != 0;
    Session session;
    // 1: one try at a time; 0: as many side by side as the machine has cores.
    session.TriesAtOnce = static_cast<int>(state.range(2));
    session.TempDir = benchWorkDir();
    session.ToolDir = VELMORA_TOOL_DIR;
    session.SourcePath = large ? fixtures::photoJpeg(6000, 4000) : fixtures::photoJpeg(1024, 768);
    session.SourceOpened = true;
    PictureEntry entry;
    entry.Kind = kind;
    entry.Width = 720;
    entry.Height = 576;
    entry.FrameRate = 25.0;
    // A room like the demo firmware's pictures offer.
    const std::int32_t room = kind == kKindMpeg2 ? 40000 : 31000;
    int tries = 0;
    int runs = 0;
    const double toolSecondsBefore = toolCpuSeconds();
    for (auto _ : state) {
        TryCounter ui;
        const auto stream = convertJpegToStream(
            {session, session, session.SourcePath, session.Options}, ui, entry, room);
        if (!stream.ok()) {
            state.SkipWithError("the conversion failed");
            return;
        }
        tries = ui.tries;
        runs = static_cast<int>(ui.settings.size());
    }
    rusage children{};
    ::getrusage(RUSAGE_CHILDREN, &children);
    state.counters["tries"] = tries;
    state.counters["encoder_runs"] = runs;
    // What the tools cost the machine: runs ahead of the search that it did not need show here.
    state.counters["tool_cpu_s"] =
        (toolCpuSeconds() - toolSecondsBefore) / static_cast<double>(state.iterations());
    // The largest resident set of any tool run so far in this process.
    state.counters["tool_peak_MiB"] = static_cast<double>(children.ru_maxrss) / 1024.0;
    state.counters["seconds_per_try"] =
        benchmark::Counter(static_cast<double>(tries) * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_JpegConversion)
    ->ArgNames({"kind", "24MP", "at_once"})
    ->Args({kKindMpeg2, 0, 1})
    ->Args({kKindMpeg2, 0, 0})
    ->Args({kKindMpeg4, 0, 1})
    ->Args({kKindMpeg4, 0, 0})
    ->Args({kKindMpeg2, 1, 1})
    ->Args({kKindMpeg2, 1, 0})
    ->Iterations(3)
    ->Repetitions(1)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace velmora::bench
