// SPDX-License-Identifier: GPL-3.0-or-later
#include "bench/bench_images.h"

#include <unistd.h>

#include <filesystem>
#include <stdexcept>

#include "tests/fixtures/standard_fixtures.h"

namespace velmora::bench {
namespace fs = std::filesystem;

std::string benchWorkDir() {
    const fs::path dir =
        fs::temp_directory_path() / ("velmora-bench-" + std::to_string(::getuid()));
    fs::create_directories(dir);
    return dir.string();
}

std::string benchImage(std::size_t size, int pictures) {
    const fs::path path = fs::path(benchWorkDir()) / ("firmware-v1-" + std::to_string(size >> 20) +
                                                      "MiB-" + std::to_string(pictures) + ".bin");
    if (fs::exists(path) && fs::file_size(path) == size) return path.string();
    const fixtures::Fixture f = fixtures::benchmarkFirmware(size, pictures);
    const fs::path partial = path.string() + ".part" + std::to_string(::getpid());
    fixtures::writeBytes(partial.string(), f.image);
    fs::rename(partial, path);
    return path.string();
}

}  // namespace velmora::bench
