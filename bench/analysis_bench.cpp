// SPDX-License-Identifier: GPL-3.0-or-later
// The whole analysis ("Open Firmware file" once a file is chosen) on large
// images, with and without pictures, beside the literal scan loop, and the
// analysis' peak memory measured in a fresh process. Rates are per CPU
// second (user and system time of this process): the machine is shared, so
// wall time says more about the neighbours than about the code.
#include "bench/analysis_bench.h"

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstdio>
#include <exception>
#include <filesystem>
#include <iostream>
#include <string>

#include "bench/bench_images.h"
#include "bench/literal_scan.h"
#include "catalogue/analysis.h"
#include "person/silent_dialogs.h"

namespace velmora::bench {
namespace {

constexpr std::int64_t kMiB = 1 << 20;

Session freshSession() {
    Session session;
    session.TempDir = benchWorkDir();
    session.ToolDir = benchWorkDir();
    return session;
}

void BM_Analysis(benchmark::State& state) {
    const std::int64_t size = state.range(0) * kMiB;
    const std::string path =
        benchImage(static_cast<std::size_t>(size), static_cast<int>(state.range(1)));
    int found = 0;
    for (auto _ : state) {
        Session session = freshSession();
        SilentDialogs ui;
        const Outcome analysed = analyzeFirmware(session, ui, path);
        if (!analysed.isDone()) {
            state.SkipWithError("the analysis failed");
            return;
        }
        found = session.PictureCount;
    }
    state.SetBytesProcessed(state.iterations() * size);
    state.counters["pictures_found"] = found;
}
BENCHMARK(BM_Analysis)
    ->ArgNames({"MiB", "pictures"})
    ->ArgsProduct({{16, 64}, {16, 0}})
    ->Unit(benchmark::kMillisecond);

// The yardstick: a seek and a 4-byte read per byte offset through a FILE*.
void BM_LiteralScanLoop(benchmark::State& state) {
    const std::int64_t size = state.range(0) * kMiB;
    const std::string path =
        benchImage(static_cast<std::size_t>(size), static_cast<int>(state.range(1)));
    LiteralScanResult result;
    for (auto _ : state) result = literalScan(path);
    state.SetBytesProcessed(state.iterations() * size);
    state.counters["candidates"] = static_cast<double>(result.candidates);
}
BENCHMARK(BM_LiteralScanLoop)
    ->ArgNames({"MiB", "pictures"})
    ->ArgsProduct({{16, 64}, {16}})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

// Peak resident memory of a process that runs one analysis and nothing else.
// The child reports its own high-water mark: getrusage's ru_maxrss would also
// count the parent's memory, which a spawned process inherits as its start.
void BM_AnalysisPeakMemory(benchmark::State& state) {
    const std::int64_t size = state.range(0) * kMiB;
    const std::string path =
        benchImage(static_cast<std::size_t>(size), static_cast<int>(state.range(1)));
    double peakMiB = 0;
    for (auto _ : state) {
        const std::optional<double> peak = peakMiBOfChild(state, "--velmora-analyze", path);
        if (!peak) return;
        peakMiB = *peak;
    }
    state.counters["peak_rss_MiB"] = peakMiB;
    state.counters["image_MiB"] = static_cast<double>(state.range(0));
}
BENCHMARK(BM_AnalysisPeakMemory)
    ->ArgNames({"MiB", "pictures"})
    ->ArgsProduct({{16, 64}, {16, 0}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);

}  // namespace

// The high-water mark of this process since it was started: VmHWM belongs to
// the address space made at exec, unlike ru_maxrss, which keeps the
// spawner's mark. Both are printed; the first line is the one read above.
void reportPeakMemory() {
    long hwm = -1;
    if (FILE* status = std::fopen("/proc/self/status", "r")) {
        char line[256];
        while (std::fgets(line, sizeof line, status) != nullptr) {
            if (std::sscanf(line, "VmHWM: %ld kB", &hwm) == 1) break;
        }
        std::fclose(status);
    }
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    std::printf("peak_kib %ld\nru_maxrss_kib %ld\n", hwm, usage.ru_maxrss);
}

std::optional<double> peakMiBOfChild(benchmark::State& state, const char* flag,
                                     const std::string& path) {
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    const std::string command = "'" + self + "' " + flag + " '" + path + "'";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        state.SkipWithError("cannot start the measuring process");
        return std::nullopt;
    }
    long peakKiB = -1;
    if (std::fscanf(pipe, "peak_kib %ld", &peakKiB) != 1) peakKiB = -1;
    if (::pclose(pipe) != 0 || peakKiB < 0) {
        state.SkipWithError("the measuring process failed");
        return std::nullopt;
    }
    return static_cast<double>(peakKiB) / 1024.0;
}

int analyzeOnce(const char* path) {
    Session session = freshSession();
    SilentDialogs ui;
    const Outcome analysed = analyzeFirmware(session, ui, path);
    if (analysed.is<IoFailure>()) {
        std::cerr << "analysis failed: " << analysed.get<IoFailure>().text << "\n";
        return 1;
    }
    reportPeakMemory();
    return 0;
}

}  // namespace velmora::bench
