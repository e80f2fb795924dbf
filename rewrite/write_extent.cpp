// SPDX-License-Identifier: GPL-3.0-or-later
#include "rewrite/write_extent.h"

#include <algorithm>

#include "rewrite/mpeg2_placement.h"
#include "rewrite/mpeg4_placement.h"
#include "rewrite/structure.h"

namespace velmora {
namespace {
constexpr std::int64_t kPointerRecordSize = 6;
constexpr std::int64_t kFlashPointerSize = 4;
constexpr std::int64_t kSizeRecordSize = 5;
}  // namespace

std::int64_t replacementExtent(const PictureEntry& entry, std::int64_t streamLength, bool moved,
                               std::uint32_t freeSpaceAddr) {
    if (entry.isMpeg2()) {
        const Mpeg2Layout layout = planMpeg2(entry, streamLength, moved, freeSpaceAddr);
        if (!moved) return layout.TailEnd;
        const std::int64_t tableEnd =
            layout.TailEnd + kFlashPointerSize * sectorCount(freeSpaceAddr, layout.TailEnd);
        return std::max(tableEnd, std::int64_t{entry.PointerAddr} + kPointerRecordSize);
    }
    const Mpeg4Layout layout = planMpeg4(entry, streamLength, moved, freeSpaceAddr);
    if (entry.PointerAddr == 0) return layout.WrittenEnd;
    return std::max({layout.WrittenEnd, std::int64_t{entry.RoomEnd} + kSizeRecordSize,
                     std::int64_t{entry.PointerAddr} + kFlashPointerSize});
}

}  // namespace velmora
