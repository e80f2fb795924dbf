#include "catalogue/picture_scan.h"

#include <cmath>

#include "catalogue/picture_candidates.h"
#include "catalogue/picture_log.h"
#include "catalogue/pointer_locator.h"

namespace velmora {
namespace {

constexpr std::int64_t kProgressStep = 64 * 1024;

class Scan {
  public:
    Scan(const ByteImage& image, const Anchors& anchors, Session& session, Dialogs& ui)
        : image_(image), anchors_(anchors), session_(session), ui_(ui) {}

    void run() {
        ui_.log("Search of original pictures...");
        session_.PictureTable = {};
        session_.PictureCount = 0;
        const std::int64_t size = image_.size();
        std::int64_t q = 0;
        std::int64_t nextProgress = 0;
        while (q < size - 4) {
            const std::uint8_t first = image_.u8(q);
            std::int64_t next = q + 1;
            bool moveBar = false;
            if (first == 0x00 && image_.u32(q) == kSequenceHeaderCode) {
                if (!mpeg2At(q, next, moveBar)) break;
            } else if (first == 0x30 && isChunkTag(image_.u32(q))) {
                if (!mpeg4At(q, next)) break;
                moveBar = true;
            }
            q = next;
            if (moveBar || q >= nextProgress) {
                showProgress(q);
                nextProgress = q + kProgressStep;
            }
        }
        showProgress(q);
        ui_.log("Search complete!");
    }

  private:
    static bool isChunkTag(std::uint32_t w) { return w == kChunkTagDc || w == kChunkTagCd; }

    // False when the scan must end here.
    bool mpeg2At(std::int64_t q, std::int64_t& next, bool& moveBar) {
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
        session_.PicturesFound = true;
        if (!room.roomReachedEnd && e.RoomEnd > e.End + 1) ui_.log(spareLine(e.Spare));
        e.PointerAddr =
            LocatePointer(image_, anchors_, e.Start, e.End, e.Start - gapOf(e), e.GapLength);
        if (e.PointerAddr == 0 && count() > 0) {
            const PictureEntry& previous =
                session_.PictureTable[static_cast<std::size_t>(count() - 1)];
            e.PointerAddr = LocatePointer(image_, anchors_, e.Start, e.End,
                                          previous.Start - gapOf(previous), e.GapLength);
        }
        record(e);
        next = e.RoomEnd & ~std::uint32_t{3};
        moveBar = true;
        return true;
    }

    bool mpeg4At(std::int64_t q, std::int64_t& next) {
        Candidate c = readMpeg4Chunk(image_, q);
        if (c.outcome == CandidateOutcome::EndOfScan) return false;
        if (c.outcome != CandidateOutcome::Found) return true;
        if (tableIsFull()) return false;
        PictureEntry& e = c.entry;
        if (!findMpeg4Records(image_, anchors_, session_.FreeSpaceAddr, e)) return true;
        for (const auto& line : mpeg4PictureLines(e, count() + 1)) ui_.log(line);
        session_.PicturesFound = true;
        record(e);
        next = e.End & ~std::uint32_t{3};
        return true;
    }

    static std::uint32_t gapOf(const PictureEntry& e) {
        return static_cast<std::uint32_t>(e.GapLength);
    }

    [[nodiscard]] int count() const { return session_.PictureCount; }

    // The table holds 16 pictures; a seventeenth ends the scan.
    bool tableIsFull() {
        if (count() < kMaxPictures) return false;
        ui_.log("Only the first 16 pictures are listed.");
        return true;
    }

    void record(const PictureEntry& e) {
        session_.PictureTable[static_cast<std::size_t>(session_.PictureCount++)] = e;
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
    Session& session_;
    Dialogs& ui_;
    EndCodeMemo endCodeMemo_;
    int lastPercent_ = -1;
};

}  // namespace

void scanPictures(const ByteImage& image, const Anchors& anchors, Session& session, Dialogs& ui) {
    Scan(image, anchors, session, ui).run();
}

}  // namespace velmora
