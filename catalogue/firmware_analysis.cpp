// SPDX-License-Identifier: GPL-3.0-or-later
#include "catalogue/firmware_analysis.h"

#include "catalogue/picture_scan.h"
#include "catalogue/working_copy.h"
#include "firmware/byte_order.h"
#include "firmware/flash_records.h"
#include "person/hex_text.h"
#include "person/silent_dialogs.h"

namespace velmora {
namespace {

// Keeps every log line in the result and passes lines and progress on.
class Recorder : public SilentDialogs {
  public:
    Recorder(FirmwareAnalysis& result, Dialogs* ui) : result_(result), ui_(ui) {}
    void log(const std::string& line) override {
        result_.log.push_back(line);
        if (ui_ != nullptr) ui_->log(line);
    }
    void progress(int percent) override {
        if (ui_ != nullptr) ui_->progress(percent);
    }

  private:
    FirmwareAnalysis& result_;
    Dialogs* ui_;
};

ByteImage normaliseByteOrder(ByteImage stored, FirmwareAnalysis& a, Dialogs& log,
                             const AnalysisWatch& watch) {
    a.FirstWord = stored.u16(0);
    a.ByteSwapped = isByteSwappedFirstWord(a.FirstWord);
    if (!a.ByteSwapped) return stored;
    log.log("Firmware is byte-swapped, preparing for anlysis...");
    a.FirstWord = swapBytes(a.FirstWord);
    // A swapped dump is a whole number of words: the last one of an odd-sized
    // file cannot be read.
    if (stored.size() % 2 != 0) stored.require(stored.size() - 1, 2, "Read");
    std::vector<std::uint8_t> bytes = std::move(stored).takeBytes();
    swapWordBytesInPlace(bytes);
    ByteImage normalised(kWorkingCopy, std::move(bytes));
    if (watch.normalised) watch.normalised(normalised);
    log.log("Preparing done!");
    return normalised;
}

void searchFreeSpace(const ByteImage& image, FirmwareAnalysis& a, Dialogs& log) {
    log.log("Search of unoccupied space in the flash...");
    const FlashRows rows = findFreeSpace(image, a.FirstWord);
    a.FreeSpaceAddr = rows.free.FreeSpaceAddr;
    a.FreeSpaceSize = rows.free.FreeSpaceSize;
    a.DataMarker = rows.DataMarker;
    if (rows.free.FreeSpaceSize > 0)
        log.log("Unoccupied space found at 0x" + Hex8(rows.free.FreeSpaceAddr) + ", " +
                fixed2(rows.free.FreeSpaceSize / 1024.0, 5) + "kB");
}

void readFirmwareAnchors(const ByteImage& image, FirmwareAnalysis& a) {
    a.anchors = readAnchors(image, a.DataMarker);
    if (a.DataMarker != 0 && !a.anchors.codeFound) {
        // Without the anchors a moved picture could not be pointed at.
        a.FreeSpaceAddr = 0;
        a.FreeSpaceSize = 0;
    }
}

}  // namespace

AnalysedImage analyseImage(ByteImage stored, const AnalysisWatch& watch) {
    AnalysedImage out;
    FirmwareAnalysis& a = out.analysis;
    Recorder log(a, watch.ui);
    a.FirmwareName = stored.name();
    a.UpdateImage = isUpdateImage(stored.name());
    out.image = normaliseByteOrder(std::move(stored), a, log, watch);
    searchFreeSpace(out.image, a, log);
    readFirmwareAnchors(out.image, a);
    const PictureList pictures = scanPictures(out.image, a.anchors, a.FreeSpaceAddr, log);
    a.PictureTable = pictures.table;
    a.PictureCount = pictures.count;
    a.PicturesFound = pictures.count > 0;
    if (!a.PicturesFound) log.log("Sorry, no pictures found...");
    return out;
}

}  // namespace velmora
