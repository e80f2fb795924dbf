// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>

namespace velmora {

// The next place of a pattern, for a scan that moves forward: remembers the
// stretch already searched, so that asking again from a little further on,
// or up to a little further, searches each byte once.
class NextOccurrence {
  public:
    // search(from, last): the first offset in [from, last] where the pattern lies, or -1.
    using Search = std::function<std::int64_t(std::int64_t from, std::int64_t last)>;
    explicit NextOccurrence(Search search) : search_(std::move(search)) {}

    // The first offset in [from, last] where the pattern lies; -1 when none.
    [[nodiscard]] std::int64_t find(std::int64_t from, std::int64_t last);

  private:
    Search search_;
    // No occurrence starts in [clearFrom_, clearTo_); at clearTo_ there is one
    // when hit_ is set.
    std::int64_t clearFrom_ = 0;
    std::int64_t clearTo_ = 0;
    bool hit_ = false;
};

}  // namespace velmora
