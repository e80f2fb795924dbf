// SPDX-License-Identifier: GPL-3.0-or-later
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "bench/analysis_bench.h"
#include "bench/constructed_inputs.h"

namespace {

// Writes (once) the constructed input named `name` of `mib` MiB and prints its path.
int printConstructedPath(const char* name, const char* mib) {
    using namespace velmora::bench;
    for (int c = 0; c < velmora::fixtures::kConstructCount; ++c) {
        if (std::strcmp(velmora::fixtures::constructName(static_cast<Construct>(c)), name) != 0)
            continue;
        const auto size = static_cast<std::size_t>(std::atol(mib)) << 20;
        std::printf("%s\n", constructedImagePath(static_cast<Construct>(c), size).c_str());
        return 0;
    }
    std::fprintf(stderr, "unknown input %s\n", name);
    return 2;
}

}  // namespace

// With --velmora-analyze FILE the program runs one analysis and exits, so the
// peak memory benchmark can measure a process that did nothing else.
// With --velmora-replace FILE it runs one replacement (and changes FILE).
// With --velmora-input NAME MIB it writes a constructed input and prints its path.
int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--velmora-analyze") == 0)
        return velmora::bench::analyzeOnce(argv[2]);
    if (argc == 3 && std::strcmp(argv[1], "--velmora-replace") == 0)
        return velmora::bench::replaceOnce(argv[2]);
    if (argc == 4 && std::strcmp(argv[1], "--velmora-input") == 0)
        return printConstructedPath(argv[2], argv[3]);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 2;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
