// SPDX-License-Identifier: GPL-3.0-or-later
#include "bench/constructed_inputs.h"

#include <unistd.h>

#include <filesystem>

#include "bench/bench_images.h"
#include "tests/fixtures/firmware_builder.h"

namespace velmora::bench {
namespace fs = std::filesystem;

std::string constructedImagePath(Construct c, std::size_t size) {
    const fs::path path = fs::path(benchWorkDir()) / (std::string(fixtures::constructName(c)) +
                                                      "-" + std::to_string(size >> 20) + "MiB.bin");
    if (fs::exists(path) && fs::file_size(path) == size) return path.string();
    const fs::path partial = path.string() + ".part" + std::to_string(::getpid());
    fixtures::writeBytes(partial.string(), fixtures::constructedImage(c, size));
    fs::rename(partial, path);
    return path.string();
}

}  // namespace velmora::bench
