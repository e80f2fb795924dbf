// SPDX-License-Identifier: GPL-3.0-or-later
#include "catalogue/picture_log.h"

#include "person/hex_text.h"

namespace velmora {
namespace {

std::string rateText(double frameRate) {
    return frameRate == kFrameRateNtsc ? " 29.97 fps " : " 25.00 fps ";
}

std::string streamLine(const char* kind, const PictureEntry& e) {
    return std::string(kind) + std::to_string(e.Width) + "x" + std::to_string(e.Height) +
           rateText(e.FrameRate) + "stream found at 0x" + Hex8(e.Start) + " - 0x" + Hex8(e.End) +
           ",";
}

std::string sizeLine(const PictureEntry& e) {
    return "Picture data size is 0x" + Hex4(static_cast<std::uint32_t>(e.DataSize)) + " (" +
           std::to_string(e.DataSize) + " bytes)";
}

}  // namespace

std::vector<std::string> mpeg2PictureLines(const PictureEntry& e, int n) {
    const std::string layout =
        e.GapLength == 0
            ? std::string("non-fragmented.")
            : "fragmented on 0x" + Hex4(static_cast<std::uint32_t>(e.BlockLength)) +
                  " blocks with 0x" + Hex4(static_cast<std::uint32_t>(e.GapLength)) + " gaps.";
    return {"---------------------- Picture #" + std::to_string(n) +
                " -----------------------------------",
            streamLine("MPEG2 Video ", e), layout, sizeLine(e)};
}

std::vector<std::string> mpeg4PictureLines(const PictureEntry& e, int n) {
    return {"------------------------- Picture #" + std::to_string(n) +
                " --------------------------------",
            streamLine("MPEG4 Video ", e), sizeLine(e)};
}

std::string spareLine(std::int32_t spare) {
    if (spare == 0) return "No spare space found :(";
    return "Spare space  0x" + Hex4(static_cast<std::uint32_t>(spare)) + " (" +
           std::to_string(spare) + " bytes) found.";
}

}  // namespace velmora
