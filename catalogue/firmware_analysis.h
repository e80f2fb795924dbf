// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "catalogue/picture_table.h"
#include "firmware/anchors.h"
#include "firmware/byte_image.h"
#include "firmware/free_space.h"
#include "person/dialogs.h"

namespace velmora {

// Everything one analysis of a firmware image finds. Offsets address the
// byte-normalised image.
struct FirmwareAnalysis {
    std::string FirmwareName;         // the name the image was analysed under
    bool ByteSwapped = false;         // stored byte-swapped (decided from the first word)
    std::uint16_t FirstWord = 0;      // as the byte-normalised image holds it
    bool UpdateImage = false;         // an update image (".img"): its last bytes are a checksum
    std::uint32_t FreeSpaceAddr = 0;  // 0 = none offered (also when the anchors are missing)
    std::int32_t FreeSpaceSize = 0;
    std::uint32_t DataMarker = 0;  // the last data marker row; 0 = not found
    Anchors anchors;               // SegmentBase and the anchor region the locator uses
    PictureArray PictureTable{};
    int PictureCount = 0;  // entries 0..PictureCount-1 are valid
    bool PicturesFound = false;
    std::vector<std::string> log;  // the processing log lines, in order
};

// Who watches an analysis as it goes (the window's log and bar, the command
// line's output); the result holds the same lines.
struct AnalysisWatch {
    Dialogs* ui = nullptr;  // log lines and progress as they come; nullptr: nobody
    // Called with the byte-normalised image of a byte-swapped dump right after
    // the swap, before "Preparing done!" is logged: "Open Firmware file" keeps
    // it as the working copy there. What it throws ends the analysis.
    std::function<void(const ByteImage&)> normalised;
};

// The image as analysed (byte-normalised, named kWorkingCopy when it was
// swapped) and what the analysis found in it.
struct AnalysedImage {
    ByteImage image;
    FirmwareAnalysis analysis;
};

// The one analysis: byte order, free space, anchors, picture scan with the
// pointer locator, from the image as stored (its name tells an update image).
// Nothing is read or written but the image and what `watch` does. Throws
// IoError for an image without a first word or a swapped one of odd size.
[[nodiscard]] AnalysedImage analyseImage(ByteImage stored, const AnalysisWatch& watch = {});

}  // namespace velmora
