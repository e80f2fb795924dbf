// SPDX-License-Identifier: GPL-3.0-or-later
#include "fuzz/fuzz_entries.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return velmora::fuzz::analyseImage(data, size);
}
