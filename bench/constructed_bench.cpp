// SPDX-License-Identifier: GPL-3.0-or-later
// The analysis of the constructed inputs beside the clean firmware of the same
// size: each should cost about what the clean one does. The counter
// `vs_clean` is filled in by the comparison script from two runs; here each
// case reports its CPU time per MiB.
#include <benchmark/benchmark.h>

#include "bench/bench_images.h"
#include "bench/constructed_inputs.h"
#include "catalogue/analysis.h"
#include "person/silent_dialogs.h"

namespace velmora::bench {
namespace {

constexpr std::int64_t kMiB = 1 << 20;

void BM_ConstructedAnalysis(benchmark::State& state) {
    const auto construct = static_cast<Construct>(state.range(0));
    const std::int64_t size = state.range(1) * kMiB;
    const std::string path = constructedImagePath(construct, static_cast<std::size_t>(size));
    state.SetLabel(fixtures::constructName(construct));
    int found = 0;
    for (auto _ : state) {
        Session session;
        session.TempDir = benchWorkDir();
        session.ToolDir = benchWorkDir();
        SilentDialogs ui;
        const Outcome outcome = analyzeFirmware(session, ui, path);
        if (!outcome.isDone()) {
            state.SkipWithError("the analysis did not end normally");
            return;
        }
        found = session.PictureCount;
    }
    state.SetBytesProcessed(state.iterations() * size);
    state.counters["pictures_found"] = found;
}
BENCHMARK(BM_ConstructedAnalysis)
    ->ArgNames({"construct", "MiB"})
    ->ArgsProduct(
        {{static_cast<int>(Construct::Clean), static_cast<int>(Construct::HeadersEvery256),
          static_cast<int>(Construct::ZeroLengthTags), static_cast<int>(Construct::HeaderRun256K),
          static_cast<int>(Construct::HeaderRun1M), static_cast<int>(Construct::HeadersOverZeros),
          static_cast<int>(Construct::ZeroOneRun), static_cast<int>(Construct::SwappedTagsEvery4K),
          static_cast<int>(Construct::ByteSwapped)},
         {64}})
    ->Unit(benchmark::kMillisecond)
    ->MinTime(0.5);

}  // namespace
}  // namespace velmora::bench
