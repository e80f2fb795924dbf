#pragma once

#include <cstddef>
#include <cstdint>

// One entry per fuzzed input kind. The libFuzzer targets call them, and the
// regression test replays every input kept in fuzz/regressions through them.
namespace velmora::fuzz {

// The whole analysis of an arbitrary image; the first byte chooses the byte
// order it is stored in.
int analyseImage(const std::uint8_t* data, std::size_t size);

}  // namespace velmora::fuzz
