// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <span>

namespace velmora {

struct VolSize {
    int width = 0;
    int height = 0;
};

// Reads the picture size from an MPEG-4 video object layer header. `header`
// starts with the layer's start code (bit 0 is the most significant bit of its
// first byte); bits past its end read as 0.
[[nodiscard]] VolSize parseVolSize(std::span<const std::uint8_t> header);

// The fields of a rectangular video object layer, read as the standard lays
// them out. Bit positions count from the first bit of the start code.
struct VolFields {
    bool readable = false;  // rectangular, 8-bit, no complexity estimation, no scalability
    int objectType = 0;     // video_object_type_indication
    int verid = 1;          // video_object_layer_verid (1 without identifier)
    int aspectRatioInfo = 0;
    int parWidth = 0;  // aspect 15 only
    int parHeight = 0;
    bool volControl = false;
    int chromaFormat = 0;
    bool lowDelay = false;
    int shape = 0;
    int timeIncrementResolution = 0;
    bool fixedVopRate = false;
    int width = 0;
    int height = 0;
    // The coding tools the pictures of the layer use.
    bool interlaced = false;
    bool obmcDisable = false;
    int spriteEnable = 0;
    int quantType = 0;
    bool quarterSample = false;
    bool resyncMarkerDisable = false;
    bool dataPartitioned = false;
    bool reversibleVlc = false;
    int interlacedBit = 0;  // where the coding tools begin: the interlaced flag
    int endBit = 0;         // just past scalability, before the stuffing
};

[[nodiscard]] VolFields parseVolFields(std::span<const std::uint8_t> header);

}  // namespace velmora
