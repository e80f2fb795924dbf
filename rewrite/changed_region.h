#pragma once

#include <cstdint>
#include <string>

namespace velmora {

struct ChangedRegion {
    std::int64_t offset;
    std::int64_t length;
    std::string what;
};

}  // namespace velmora
