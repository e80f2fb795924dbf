// SPDX-License-Identifier: GPL-3.0-or-later
// A replacement's peak memory, measured in a fresh process: the firmware is
// analysed, then picture 1 is replaced in place with its own stream and
// committed. It must stay within three times the file plus 64 MiB.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <string>

#include "bench/analysis_bench.h"
#include "bench/bench_images.h"
#include "catalogue/analysis.h"
#include "convert/source_intake.h"
#include "firmware/file_io.h"
#include "media/stream_extraction.h"
#include "person/silent_dialogs.h"
#include "rewrite/replace_picture.h"

namespace velmora::bench {
namespace {

constexpr std::int64_t kMiB = 1 << 20;

// Answers the file choice with the stream and every question as a person who
// keeps the picture in place.
void BM_ReplacementPeakMemory(benchmark::State& state) {
    const std::int64_t size = state.range(0) * kMiB;
    const std::string image = benchImage(static_cast<std::size_t>(size), 16);
    double peakMiB = 0;
    for (auto _ : state) {
        const std::string copy = benchWorkDir() + "/replace-bench.bin";
        std::filesystem::copy_file(image, copy, std::filesystem::copy_options::overwrite_existing);
        std::filesystem::remove(copy + ".orig");
        const std::optional<double> peak = peakMiBOfChild(state, "--velmora-replace", copy);
        if (!peak) return;
        peakMiB = *peak;
        std::filesystem::remove(copy);
        std::filesystem::remove(copy + ".orig");
    }
    state.counters["peak_rss_MiB"] = peakMiB;
    state.counters["image_MiB"] = static_cast<double>(state.range(0));
    // The bound: three times the file and 64 MiB.
    state.counters["bound_MiB"] = 3.0 * static_cast<double>(state.range(0)) + 64.0;
}
BENCHMARK(BM_ReplacementPeakMemory)
    ->ArgName("MiB")
    ->Arg(64)
    ->Arg(256)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);

}  // namespace

int replaceOnce(const char* path) {
    Session session;
    session.TempDir = benchWorkDir();
    session.ToolDir = benchWorkDir();
    SilentDialogs quiet;
    if (!analyzeFirmware(session, quiet, path).isDone() || session.PictureCount == 0) {
        std::cerr << "analysis failed\n";
        return 1;
    }
    const std::string source = benchWorkDir() + "/replace-bench.m2v";
    {
        const ByteImage stored = readImageFile(path);
        writeExtractedStream(
            source, extractPictureStream(stored, session.PictureTable[0], session.ByteSwapped));
    }
    session.SelectedPicture = 0;
    SilentDialogs ui;
    const Result<ReplacementSource> accepted = acceptReplacementSource(source, ui);
    if (!accepted.ok()) {
        std::cerr << "the stream was not accepted\n";
        return 1;
    }
    const Outcome replaced =
        replacePicture(selectedPicture(session), *accepted, session.Options, ui).outcome;
    if (!replaced.isDone()) {
        std::cerr << "the replacement failed\n";
        return 1;
    }
    reportPeakMemory();
    return 0;
}

}  // namespace velmora::bench
