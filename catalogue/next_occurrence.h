#pragma once

#include <cstdint>
#include <span>

#include "firmware/byte_image.h"

namespace velmora {

// The next place of one pattern in the image, for a scan that moves forward:
// remembers the stretch it already searched, so that asking again from a
// little further on, or up to a little further, searches each byte once.
class NextOccurrence {
  public:
    NextOccurrence(const ByteImage& image, std::span<const std::uint8_t> pattern)
        : image_(image), pattern_(pattern) {}

    // The first offset in [from, last] where the pattern lies; -1 when none.
    [[nodiscard]] std::int64_t find(std::int64_t from, std::int64_t last);

  private:
    const ByteImage& image_;
    std::span<const std::uint8_t> pattern_;
    // No occurrence starts in [clearFrom_, clearTo_); at clearTo_ there is one
    // when hit_ is set.
    std::int64_t clearFrom_ = 0;
    std::int64_t clearTo_ = 0;
    bool hit_ = false;
};

}  // namespace velmora
