// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

namespace velmora::tools {

struct DecodeOptions {
    std::string input;       // -b
    std::string outputBase;  // -o2; the picture goes to outputBase + ".tga"
};

// Reads "-b IN -f -r -o2 OUT" in any order. -f (frame store) and -r (precise IDCT) are
// accepted and change nothing; -o2 (TGA) is the only output format. Throws UsageError.
[[nodiscard]] DecodeOptions parseDecodeOptions(const std::vector<std::string>& args);

}  // namespace velmora::tools
