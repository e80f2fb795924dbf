// SPDX-License-Identifier: GPL-3.0-or-later
#include "catalogue/analysis.h"

#include "catalogue/firmware_analysis.h"
#include "catalogue/working_copy.h"
#include "firmware/file_io.h"
#include "firmware/firmware_file_checks.h"
#include "person/hex_text.h"

namespace velmora {

namespace {

void analyze(Session& s, Dialogs& ui, const std::string& path) {
    s.PicturesFound = false;
    s.PictureCount = 0;
    s.SelectedPicture = 0;
    s.anchors = {};
    s.FirmwarePath = path;
    StoredFirmware stored = readStoredFirmware(path, [&] {
        s.FirmwareName = fileNameOf(path);
        ui.log(std::string(50, '='));
        ui.log("Binary file loaded: " + s.FirmwareName + ". Analyzing...");
    });
    s.FirmwareFingerprint = stored.fingerprint;
    AnalysisWatch watch;
    watch.ui = &ui;
    watch.normalised = [&](const ByteImage& normalised) {
        writeWorkingCopy(s.workFile(kWorkingCopy), normalised);
    };
    AnalysedImage analysed = analyseImage(std::move(stored.image), watch);
    static_cast<FirmwareAnalysis&>(s) = std::move(analysed.analysis);
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
