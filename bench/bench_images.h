// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <string>

namespace velmora::bench {

// The path of a benchmark firmware of `size` bytes with `pictures` pictures,
// written once into a folder under the system temporary folder and reused.
[[nodiscard]] std::string benchImage(std::size_t size, int pictures);

// A scratch folder for the analysis' work files.
[[nodiscard]] std::string benchWorkDir();

}  // namespace velmora::bench
