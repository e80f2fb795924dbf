// SPDX-License-Identifier: GPL-3.0-or-later
#include "catalogue/picture_scan.h"

#include <algorithm>
#include <cmath>

#include "catalogue/mpeg2_candidate.h"
#include "catalogue/mpeg4_candidate.h"
#include "catalogue/next_occurrence.h"
#include "catalogue/picture_log.h"
#include "catalogue/pointer_locator.h"

namespace velmora {
namespace {

constexpr std::uint8_t kSequenceHeaderBytes[4] = {0x00, 0x00, 0x01, 0xB3};
constexpr std::uint8_t kChunkTagStart[2] = {'0', '0'};

// The first chunk tag "00dc" or "00cd" in [from, last]: both in one pass.
std::int64_t findChunkTag(const ByteImage& image, std::int64_t from, std::int64_t last) {
    for (std::int64_t p = from;; ++p) {
        p = image.find(kChunkTagStart, p, last);
        if (p < 0 || !image.contains(p, 4)) return -1;
        const std::uint8_t third = image.u8(p + 2);
        const std::uint8_t fourth = image.u8(p + 3);
        if ((third == 'd' && fourth == 'c') || (third == 'c' && fourth == 'd')) return p;
    }
}

// The scan looks for start codes a window at a time, so the bar moves.
constexpr std::int64_t kWindow = 64 * 1024;

class Scan {
  public:
    Scan(const ByteImage& image, const Anchors& anchors, std::uint32_t freeSpaceAddr, Dialogs& ui)
        : image_(image), anchors_(anchors), freeSpaceAddr_(freeSpaceAddr), ui_(ui) {}

    PictureList run() {
        ui_.log("Search of original pictures...");
        // Offsets 0 .. size - 5 are looked at, in order, jumping from one
        // possible start code to the next.
        const std::int64_t last = image_.size() - 5;
        std::int64_t q = 0;
        while (q <= last) {
            const std::int64_t windowEnd = std::min(q + kWindow - 1, last);
            const std::int64_t at2 = sequenceHeaders_.find(q, windowEnd);
            const std::int64_t at4 = chunkTags_.find(q, windowEnd);
            std::int64_t next = windowEnd + 1;
            bool keepScanning = true;
            if (at2 >= 0 && (at4 < 0 || at2 < at4)) {
                keepScanning = mpeg2At(at2, next);
            } else if (at4 >= 0) {
                keepScanning = mpeg4At(at4, next);
            }
            if (!keepScanning) break;
            q = next;
            showProgress(q);
        }
        showProgress(std::min(q, last + 1));
        ui_.log("Search complete!");
        return found_;
    }

  private:
    // False when the scan must end here.
    bool mpeg2At(std::int64_t q, std::int64_t& next) {
        Candidate c = readMpeg2Stream(image_, q, endCodeMemo_);
        if (c.outcome == CandidateOutcome::Endless) {
            ui_.log("Found endless videostream, skipping...");
            next = q + 4;
            return true;
        }
        if (tableIsFull()) return false;
        PictureEntry& e = c.entry;
        const Mpeg2Room room = completeMpeg2Picture(image_, e);
        for (const auto& line : mpeg2PictureLines(e, count() + 1)) ui_.log(line);
        if (!room.roomReachedEnd && e.RoomEnd > e.End + 1) ui_.log(spareLine(e.Spare));
        e.PointerAddr =
            LocatePointer(image_, anchors_, e.Start, e.End, e.Start - gapOf(e), e.GapLength);
        if (e.PointerAddr == 0 && count() > 0) {
            const PictureEntry& previous = found_.table[static_cast<std::size_t>(count() - 1)];
            e.PointerAddr = LocatePointer(image_, anchors_, e.Start, e.End,
                                          previous.Start - gapOf(previous), e.GapLength);
        }
        record(e);
        next = e.RoomEnd & ~std::uint32_t{3};
        return true;
    }

    bool mpeg4At(std::int64_t q, std::int64_t& next) {
        Candidate c = readMpeg4Chunk(image_, q, videoObjectMemo_);
        if (c.outcome == CandidateOutcome::EndOfScan) return false;
        if (c.outcome != CandidateOutcome::Found) {
            next = q + 1;
            return true;
        }
        if (tableIsFull()) return false;
        PictureEntry& e = c.entry;
        if (!findMpeg4Records(image_, anchors_, freeSpaceAddr_, e)) {
            next = q + 1;
            return true;
        }
        for (const auto& line : mpeg4PictureLines(e, count() + 1)) ui_.log(line);
        record(e);
        next = e.End & ~std::uint32_t{3};
        return true;
    }

    static std::uint32_t gapOf(const PictureEntry& e) {
        return static_cast<std::uint32_t>(e.GapLength);
    }

    [[nodiscard]] int count() const { return found_.count; }

    // The table holds 16 pictures; a seventeenth ends the scan.
    bool tableIsFull() {
        if (count() < kMaxPictures) return false;
        ui_.log("Only the first 16 pictures are listed.");
        return true;
    }

    void record(const PictureEntry& e) {
        found_.table[static_cast<std::size_t>(found_.count++)] = e;
    }

    void showProgress(std::int64_t position) {
        const double percent =
            static_cast<double>(position) / static_cast<double>(image_.size()) * 100.0;
        const int value = static_cast<int>(std::nearbyint(percent));
        if (value != lastPercent_) ui_.progress(value);
        lastPercent_ = value;
    }

    const ByteImage& image_;
    const Anchors& anchors_;
    const std::uint32_t freeSpaceAddr_;
    Dialogs& ui_;
    PictureList found_;
    EndCodeMemo endCodeMemo_;
    VideoObjectMemo videoObjectMemo_;
    NextOccurrence sequenceHeaders_{[this](std::int64_t from, std::int64_t last) {
        return image_.find(kSequenceHeaderBytes, from, last);
    }};
    NextOccurrence chunkTags_{
        [this](std::int64_t from, std::int64_t last) { return findChunkTag(image_, from, last); }};
    int lastPercent_ = -1;
};

}  // namespace

PictureList scanPictures(const ByteImage& image, const Anchors& anchors,
                         std::uint32_t freeSpaceAddr, Dialogs& ui) {
    return Scan(image, anchors, freeSpaceAddr, ui).run();
}

}  // namespace velmora
