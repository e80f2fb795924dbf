// SPDX-License-Identifier: GPL-3.0-or-later
#include "catalogue/analysis.h"

#include "catalogue/picture_scan.h"
#include "catalogue/working_copy.h"
#include "firmware/anchors.h"
#include "firmware/file_io.h"
#include "firmware/firmware_file_checks.h"
#include "firmware/free_space.h"
#include "person/hex_text.h"

namespace velmora {
namespace {

void resetAnchors(Session& s) {
    s.AnchorPage = 0;
    s.AnchorSegment = 0;
    s.AnchorLength = 0;
    s.SegmentBase = 0;
}

std::uint32_t searchFreeSpace(Session& s, Dialogs& ui, const ByteImage& image) {
    ui.log("Search of unoccupied space in the flash...");
    const FlashRows rows = findFreeSpace(image, s.FirstWord);
    s.FreeSpaceAddr = rows.free.FreeSpaceAddr;
    s.FreeSpaceSize = rows.free.FreeSpaceSize;
    if (rows.free.FreeSpaceSize > 0)
        ui.log("Unoccupied space found at 0x" + Hex8(rows.free.FreeSpaceAddr) + ", " +
               fixed2(rows.free.FreeSpaceSize / 1024.0, 5) + "kB");
    return rows.DataMarker;
}

Anchors readFirmwareAnchors(Session& s, const ByteImage& image, std::uint32_t dataMarker) {
    const Anchors anchors = readAnchors(image, dataMarker);
    s.AnchorPage = anchors.AnchorPage;
    s.AnchorSegment = anchors.AnchorSegment;
    s.AnchorLength = anchors.AnchorLength;
    s.SegmentBase = anchors.SegmentBase;
    if (dataMarker != 0 && !anchors.codeFound) {
        // Without the anchors a moved picture could not be pointed at.
        s.FreeSpaceAddr = 0;
        s.FreeSpaceSize = 0;
    }
    return anchors;
}

void analyze(Session& s, Dialogs& ui, const std::string& path) {
    s.PicturesFound = false;
    s.PictureCount = 0;
    s.SelectedPicture = 0;
    resetAnchors(s);
    s.FirmwarePath = path;
    // One pass over the file: read, fingerprinted and, when swapped, normalised
    // and written to the working copy.
    const ByteImage image = loadWorkingImage(s, ui, path, [&] {
        s.FirmwareName = fileNameOf(path);
        ui.log(std::string(50, '='));
        ui.log("Binary file loaded: " + s.FirmwareName + ". Analyzing...");
    });
    const std::uint32_t dataMarker = searchFreeSpace(s, ui, image);
    const Anchors anchors = readFirmwareAnchors(s, image, dataMarker);
    const PictureList pictures = scanPictures(image, anchors, s.FreeSpaceAddr, ui);
    s.PictureTable = pictures.table;
    s.PictureCount = pictures.count;
    s.PicturesFound = pictures.count > 0;
    if (!s.PicturesFound) ui.log("Sorry, no pictures found...");
}

}  // namespace

Outcome analyzeFirmware(Session& session, Dialogs& ui, const std::string& path) {
    // Said so the person can act on it, rather than as a read past the end.
    if (const auto problem = firmwareFileProblem(path)) {
        session.PicturesFound = false;
        session.PictureCount = 0;
        session.SelectedPicture = 0;
        return Outcome::refused(kErrorCaption, *problem);
    }
    return guardIo([&] {
        analyze(session, ui, path);
        return Outcome::done();
    });
}

std::array<std::string, 5> gridRow(const PictureEntry& e, int row) {
    return {std::to_string(row) + (e.PointerAddr != 0 ? "*" : ""),
            std::string(e.Kind == kKindMpeg2 ? "MPEG2 Video " : "MPEG4 Video ") +
                padded(e.Width, 4) + "x" + padded(e.Height, 4) + ", " + fixed2(e.FrameRate, 4) +
                " fps",
            "0x" + Hex8(e.Start),
            std::to_string(e.DataSize) + " B (" + fixed2(e.DataSize / 1024.0, 5) + " kB)",
            std::to_string(e.Spare) + " B (" + fixed2(e.Spare / 1024.0, 5) + " kB)"};
}

}  // namespace velmora
