// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <string>

#include "tests/fixtures/constructed_inputs.h"

namespace velmora::bench {

using fixtures::Construct;

// The path of a constructed input, written once into the benchmark folder and reused.
[[nodiscard]] std::string constructedImagePath(Construct c, std::size_t size);

}  // namespace velmora::bench
