// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "catalogue/picture_table.h"
#include "person/dialogs.h"

namespace velmora {

// Where one replacement goes and what it writes there, decided before any byte
// is written. Offsets are those of the byte-normalised image.
struct ReplacementPlan {
    PictureEntry entry;
    bool moved = false;
    std::uint32_t freeSpaceAddr = 0;  // the unoccupied area before the replacement
    std::int32_t freeSpaceSize = 0;
    std::uint32_t segmentBase = 0;
    std::int64_t streamLength = 0;
    bool updateImage = false;
    std::int64_t imageSize = 0;
    bool pictureSize = false;  // the stream must have the picture's own size (a conversion)
};

// Every region the replacement means to change, in image order, each named
// for what it holds ("picture stream", "filler", "sector table", ...).
[[nodiscard]] std::vector<ChangedRegion> plannedRegions(const ReplacementPlan& plan);

// The same regions as offsets of the firmware file as stored: for a
// byte-swapped dump each widens to whole 16-bit words.
[[nodiscard]] std::vector<ChangedRegion> storedRegions(std::vector<ChangedRegion> regions,
                                                       bool byteSwapped);

// One region as the dry run prints it: "0x0001F400 2048 picture stream".
[[nodiscard]] std::string regionLine(const ChangedRegion& region);

}  // namespace velmora
