// SPDX-License-Identifier: GPL-3.0-or-later
#include "rewrite/changed_regions.h"

#include <algorithm>

#include "person/hex_text.h"
#include "rewrite/mpeg2_placement.h"
#include "rewrite/mpeg4_placement.h"
#include "rewrite/structure.h"

namespace velmora {
namespace {

constexpr std::int64_t kPointerRecordSize = 6;
constexpr std::int64_t kFlashPointerSize = 4;
constexpr std::int64_t kSizeRecordSize = 5;

void add(std::vector<ChangedRegion>& out, std::int64_t from, std::int64_t to, const char* what) {
    if (to > from) out.push_back({from, to - from, what});
}

void mpeg2Regions(const ReplacementPlan& plan, std::vector<ChangedRegion>& out) {
    const PictureEntry& e = plan.entry;
    const Mpeg2Layout layout = planMpeg2(e, plan.streamLength, plan.moved, plan.freeSpaceAddr);
    if (plan.moved) add(out, plan.freeSpaceAddr, layout.FirstBlock, "gap header");
    add(out, layout.FirstBlock, layout.DataEnd, "picture stream");
    add(out, layout.DataEnd, layout.TailEnd, "filler");
    if (!plan.moved) return;
    const std::int64_t sectors = sectorCount(plan.freeSpaceAddr, layout.TailEnd);
    add(out, layout.TailEnd, layout.TailEnd + kFlashPointerSize * sectors, "sector table");
    add(out, e.PointerAddr, std::int64_t{e.PointerAddr} + kPointerRecordSize, "pointer record");
}

void mpeg4Regions(const ReplacementPlan& plan, std::vector<ChangedRegion>& out) {
    const PictureEntry& e = plan.entry;
    const Mpeg4Layout layout = planMpeg4(e, plan.streamLength, plan.moved, plan.freeSpaceAddr);
    if (plan.moved) add(out, layout.ChunkStart, layout.ChunkStart + 4, "chunk tag");
    add(out, layout.ChunkStart + 4, layout.ChunkStart + 8, "chunk length");
    add(out, layout.ChunkStart + 8, layout.DataEnd, "picture stream");
    add(out, layout.DataEnd, layout.WrittenEnd, "filler");
    if (e.PointerAddr == 0) return;
    add(out, e.RoomEnd, std::int64_t{e.RoomEnd} + kSizeRecordSize, "size record");
    add(out, e.PointerAddr, std::int64_t{e.PointerAddr} + kFlashPointerSize, "pointer record");
}

}  // namespace

std::vector<ChangedRegion> plannedRegions(const ReplacementPlan& plan) {
    std::vector<ChangedRegion> out;
    if (plan.entry.isMpeg2())
        mpeg2Regions(plan, out);
    else
        mpeg4Regions(plan, out);
    if (plan.updateImage && plan.imageSize > 0) {
        const std::int64_t k = plan.imageSize % 2 == 1 ? 1 : 2;
        add(out, plan.imageSize - k, plan.imageSize, "checksum");
    }
    std::stable_sort(out.begin(), out.end(), [](const ChangedRegion& a, const ChangedRegion& b) {
        return a.offset < b.offset;
    });
    return out;
}

std::vector<ChangedRegion> storedRegions(std::vector<ChangedRegion> regions, bool byteSwapped) {
    if (!byteSwapped) return regions;
    for (ChangedRegion& r : regions) {
        const std::int64_t from = r.offset & ~std::int64_t{1};
        const std::int64_t to = (r.offset + r.length + 1) & ~std::int64_t{1};
        r.offset = from;
        r.length = to - from;
    }
    return regions;
}

std::string regionLine(const ChangedRegion& region) {
    return "0x" + Hex8(static_cast<std::uint32_t>(region.offset)) + " " +
           std::to_string(region.length) + " " + region.what;
}

}  // namespace velmora
