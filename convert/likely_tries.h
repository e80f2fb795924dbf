// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <vector>

#include "convert/dichotomy_search.h"

namespace velmora {

// The file size each setting tried so far gave.
using TriedSizes = std::map<std::int32_t, std::int64_t>;

// The next `count` settings the search will likely try that have not been
// tried yet, in the order it would try them. The search is followed step by
// step: a setting already tried by its real size, any other by a size guessed
// from the tries around it. A wrong guess only costs an encoder run that is
// not needed; the search itself always goes by the real sizes.
[[nodiscard]] std::vector<std::int32_t> likelyUntriedSettings(DichotomySearch search,
                                                              const TriedSizes& tried,
                                                              std::int64_t roomSize,
                                                              std::size_t count);

}  // namespace velmora
