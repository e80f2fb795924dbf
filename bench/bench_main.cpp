#include <benchmark/benchmark.h>

#include <cstring>

#include "bench/analysis_bench.h"

// With --velmora-analyze FILE the program runs one analysis and exits, so the
// peak memory benchmark can measure a process that did nothing else.
int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--velmora-analyze") == 0)
        return velmora::bench::analyzeOnce(argv[2]);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 2;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
