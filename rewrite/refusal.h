#pragma once

#include <string>

namespace velmora {

// A replacement the program declines before anything is written; shown as one
// "ERROR!" box with this text.
struct Refusal {
    std::string text;
};

}  // namespace velmora
