// SPDX-License-Identifier: GPL-3.0-or-later
#include "rewrite/replace_picture.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "convert/source_intake.h"
#include "firmware/file_io.h"
#include "firmware/fingerprint.h"
#include "firmware/firmware_file_checks.h"
#include "firmware/work_folder_files.h"
#include "rewrite/byte_order_restore.h"
#include "rewrite/changed_regions.h"
#include "rewrite/commit.h"
#include "rewrite/firmware_lock.h"
#include "rewrite/held_log.h"
#include "rewrite/image_checksum.h"
#include "rewrite/mpeg2_placement.h"
#include "rewrite/mpeg4_placement.h"
#include "rewrite/original_backup.h"
#include "rewrite/replace_texts.h"
#include "rewrite/room.h"
#include "rewrite/stream_checks.h"
#include "rewrite/stream_format_check.h"
#include "rewrite/structure.h"
#include "rewrite/write_extent.h"

namespace velmora {
namespace {

// The stream file to be written and the offset of its first byte.
struct SourceStream {
    std::vector<std::uint8_t> bytes;
    std::int64_t StreamOffset = 0;

    [[nodiscard]] std::span<const std::uint8_t> stream() const {
        return std::span<const std::uint8_t>(bytes).subspan(static_cast<std::size_t>(StreamOffset));
    }
};

Outcome refused(const char* text) {
    return Outcome::refused(replace_text::kErrorCaption, text);
}

Result<PictureEntry> pictureToReplace(const Session& session) {
    const PictureEntry* entry = session.selected();
    if (entry == nullptr) return refused(replace_text::kNoPictureSelected);
    if (!session.SourceOpened || session.SourcePath.empty())
        return refused(replace_text::kNoSourceOpened);
    // A fragmented picture without a known block length cannot be laid out.
    if (entry->GapLength > 0 && entry->BlockLength <= 0)
        return refused(replace_text::kUnknownBlockLayout);
    return *entry;
}

Result<SourceStream> convertedSource(const Session& session, Dialogs& ui,
                                     const JpegConverter& convertJpeg, const PictureEntry& entry,
                                     std::int32_t roomSize) {
    const Result<ConvertedStream> converted = convertJpeg(session, ui, entry, roomSize);
    if (!converted.ok()) return converted.outcome();
    // From the work folder as opened: never a stream put in its place.
    ByteImage file = readWorkImageIn(session.TempDirDescriptor, converted->path);
    file.require(converted->offset, 0, "Read");
    if (Outcome checked = checkConvertedStream(file.bytes(), entry.Kind, converted->offset);
        !checked.isDone())
        return checked;
    return SourceStream{file.bytes(), converted->offset};
}

Result<SourceStream> readySource(const Session& session, Dialogs& ui, const PictureEntry& entry,
                                 std::int32_t roomSize) {
    std::vector<std::uint8_t> file = readImageFile(session.SourcePath).bytes();
    if (Outcome prepared = prepareReadyStream(ui, file, entry.Kind); !prepared.isDone())
        return prepared;
    const Result<std::int64_t> offset = checkReadyStream(ui, file, entry.Kind, roomSize);
    if (!offset.ok()) return offset.outcome();
    return SourceStream{std::move(file), *offset};
}

// Lays the stream and its records into the image; returns the free area after.
FreeSpace writePicture(ByteImage& image, Dialogs& ui, const Session& session,
                       const PictureEntry& entry, const Room& room, const SourceStream& source) {
    const FreeSpace before{session.FreeSpaceAddr, session.FreeSpaceSize};
    const bool moved = room.MoveToFreeSpace;
    if (entry.isMpeg2()) {
        const Mpeg2Layout layout =
            placeMpeg2(image, entry, source.stream(), moved, before.FreeSpaceAddr);
        if (!moved) return before;
        return recreateMpeg2Structure(image, entry, session.anchors.SegmentBase, before,
                                      layout.TailEnd);
    }
    const Mpeg4Layout layout =
        placeMpeg4(image, entry, source.stream(), moved, before.FreeSpaceAddr);
    return recreateMpeg4Structure(image, ui, entry, session.anchors.SegmentBase, moved, before,
                                  layout.StreamLength, layout.NextFree);
}

ReplacementPlan planOf(const Session& session, const PictureEntry& entry, const Room& room,
                       std::int64_t streamLength, std::int64_t imageSize) {
    ReplacementPlan plan;
    plan.entry = entry;
    plan.moved = room.MoveToFreeSpace;
    plan.freeSpaceAddr = session.FreeSpaceAddr;
    plan.freeSpaceSize = session.FreeSpaceSize;
    plan.segmentBase = session.anchors.SegmentBase;
    plan.streamLength = streamLength;
    plan.updateImage = session.UpdateImage;
    plan.imageSize = imageSize;
    plan.pictureSize = isJpegSource(session.SourcePath);
    return plan;
}

// The result as it would be stored, proven sound before anything is written.
Outcome checkResult(const Session& session, const ByteImage& before, const ByteImage& changed,
                    const ReplacementPlan& plan, const SourceStream& source,
                    const FreeSpace& freeSpace, const Verifier& verify,
                    std::vector<std::string>& notes) {
    // Unswapped, the changed image is what is stored: no second copy.
    const std::vector<std::uint8_t> toStore =
        session.ByteSwapped ? restoreStoredOrder(changed) : std::vector<std::uint8_t>{};
    const VerificationInput check{
        before,
        changed,
        session.ByteSwapped ? std::span<const std::uint8_t>(toStore)
                            : std::span<const std::uint8_t>(changed.bytes()),
        plan,
        source.stream(),
        std::span(session.PictureTable).first(static_cast<std::size_t>(session.PictureCount)),
        session.SelectedPicture,
        session.ByteSwapped,
        freeSpace.FreeSpaceAddr,
        &notes};
    if (const auto failure = verify(check))
        return Outcome::verificationFailed(failure->check, verificationText(*failure));
    return Outcome::done();
}

// Tells the person's side that the writing is over, however it ended.
class WritingDone {
  public:
    explicit WritingDone(Dialogs& ui) : ui_(ui) {}
    ~WritingDone() { ui_.endWriting(); }
    WritingDone(const WritingDone&) = delete;
    WritingDone& operator=(const WritingDone&) = delete;

  private:
    Dialogs& ui_;
};

Outcome answered(Answer answer) {
    return answer == Answer::No ? Outcome::declined() : Outcome::cancelled();
}

// Keeps the firmware as it is now as NAME.orig before its first change. When
// that cannot be done the person decides; the command line says so with
// --no-backup.
Outcome keepTheOriginal(const Session& session, const ReplaceTarget& target, Dialogs& ui) {
    const std::string backup = fileNameOf(backupPathOf(session.FirmwarePath));
    const BackupAttempt attempt = keepOriginal(session.FirmwarePath, target.stored());
    if (attempt.result == BackupResult::Kept) ui.log(replace_text::kBackupKeptLog + backup);
    if (attempt.result != BackupResult::Failed) return Outcome::done();
    switch (ui.ask(Question::ReplaceWithoutBackup, replace_text::kNoBackupCaption,
                   replace_text::noBackupQuestion(backup))) {
        case Answer::Yes:
            return Outcome::done();
        case Answer::No:
            return Outcome::refused(replace_text::kErrorCaption,
                                    replace_text::noBackupRefusal(backup, attempt.cause));
        case Answer::Cancelled:
            break;
    }
    return Outcome::cancelled();
}

Outcome replace(Session& session, Dialogs& ui, const ReplacementTools& tools, ReplaceMode mode) {
    const Result<PictureEntry> picked = pictureToReplace(session);
    if (!picked.ok()) return picked.outcome();
    const PictureEntry& entry = *picked;
    // A file the person marked read-only is theirs to protect, even from root.
    if (const auto readOnly = readOnlyProblem(session.FirmwarePath))
        return Outcome::refused(replace_text::kErrorCaption, *readOnly);
    // No other Velmora may change the file between the reading and the commit.
    Result<FirmwareLock> lock = FirmwareLock();
    if (mode == ReplaceMode::Write && tools.lockFirmware) {
        lock = lockFirmware(session.FirmwarePath, ui, *session.Control);
        if (!lock.ok()) return lock.outcome();
    }
    const Result<ReplaceTarget> target = loadTarget(session);
    if (!target.ok()) return target.outcome();

    const Result<Room> room = decideRoom(session, ui, entry, countedSectors(target->image, entry));
    if (!room.ok()) return room.outcome();
    const Result<SourceStream> source =
        isJpegSource(session.SourcePath)
            ? convertedSource(session, ui, tools.convertJpeg, entry, room->RoomSize)
            : readySource(session, ui, entry, room->RoomSize);
    if (!source.ok()) return source.outcome();
    if (!isJpegSource(session.SourcePath))
        if (Outcome format = checkStreamFormat(ui, target->image, entry,
                                               session.SelectedPicture + 1, source->bytes);
            !format.isDone())
            return format;

    const auto streamLength = static_cast<std::int64_t>(source->stream().size());
    if (replacementExtent(entry, streamLength, room->MoveToFreeSpace, session.FreeSpaceAddr) >
        target->image.size())
        return refused(replace_text::kDoesNotFit);

    // What the writing says is true only once the firmware is committed.
    HeldLog held(ui);
    held.log(replace_text::kReplacingLog);
    ByteImage changed = target->image;
    const FreeSpace freeSpace = writePicture(changed, held, session, entry, *room, *source);
    held.log(replace_text::kReplacedLog);

    if (session.UpdateImage) {
        held.log(replace_text::kChecksumLog);
        (void)writeImageChecksum(changed);
        held.log(replace_text::kChecksumDoneLog);
    }
    if (session.ByteSwapped) held.log(replace_text::kRestoreLog);

    const ReplacementPlan plan = planOf(session, entry, *room, streamLength, changed.size());
    std::vector<std::string> notes;
    if (Outcome checked = checkResult(session, target->image, changed, plan, *source, freeSpace,
                                      tools.verify, notes);
        !checked.isDone())
        return checked;
    for (const std::string& note : notes) held.log(note);

    const std::vector<ChangedRegion> regions =
        storedRegions(plannedRegions(plan), session.ByteSwapped);
    if (mode == ReplaceMode::DryRun) {
        held.drop(replace_text::kReplacedLog);
        held.drop(replace_text::kChecksumDoneLog);
        held.release();
        for (const ChangedRegion& region : regions) ui.log(regionLine(region));
        ui.log(replace_text::kDryRunLog);
        return Outcome::done();
    }
    const PendingReplacement pending{
        regions,      std::vector<std::uint8_t>(source->stream().begin(), source->stream().end()),
        entry.Kind,   entry.Width,
        entry.Height, session.SelectedPicture + 1};
    if (const Answer approval = ui.approveReplacement(pending); approval != Answer::Yes)
        return answered(approval);
    // A question the person has open (closing the window) is answered first.
    if (const Answer writing = ui.beginWriting(); writing != Answer::Yes) return answered(writing);
    const int otherNames = otherNamesOf(session.FirmwarePath);
    Result<Committed> stored = Committed{};
    Outcome committed;
    {
        const WritingDone writingDone(ui);
        if (Outcome kept = keepTheOriginal(session, *target, ui); !kept.isDone()) return kept;
        committed = guardIo([&] {
            stored = commitReplacement(session, *target, changed, *tools.files);
            return stored.ok() ? Outcome::done() : stored.outcome();
        });
    }
    if (!committed.isDone()) {
        ui.log(replace_text::kNotWrittenLog);  // the failure is in the log too
        return committed;
    }
    held.release();
    if (!(*stored).warning.empty()) ui.log((*stored).warning);
    if (otherNames > 0)
        ui.log(
            replace_text::otherNamesKeepOldContent(fileNameOf(session.FirmwarePath), otherNames));

    session.FirmwareFingerprint = (*stored).storedFingerprint;
    session.FreeSpaceAddr = freeSpace.FreeSpaceAddr;
    session.FreeSpaceSize = freeSpace.FreeSpaceSize;
    ui.log(replace_text::kAllDoneLog);
    ui.information(replace_text::kDoneCaption, replace_text::kDoneText);
    return Outcome::done();
}

}  // namespace

Outcome replacePicture(Session& session, Dialogs& ui, const ReplacementTools& tools,
                       ReplaceMode mode) {
    return guardIo([&] { return replace(session, ui, tools, mode); });
}

}  // namespace velmora
