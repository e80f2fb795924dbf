// SPDX-License-Identifier: GPL-3.0-or-later
#include "rewrite/replace_picture.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

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

Result<PictureEntry> pictureToReplace(const PictureTarget& target,
                                      const ReplacementSource& source) {
    const PictureEntry* entry = target.entry();
    if (entry == nullptr) return refused(replace_text::kNoPictureSelected);
    if (!source.SourceOpened || source.SourcePath.empty())
        return refused(replace_text::kNoSourceOpened);
    // A fragmented picture without a known block length cannot be laid out.
    if (entry->GapLength > 0 && entry->BlockLength <= 0)
        return refused(replace_text::kUnknownBlockLayout);
    return *entry;
}

Result<SourceStream> convertedSource(const ConversionInput& input, Dialogs& ui,
                                     const JpegConverter& convertJpeg, const PictureEntry& entry,
                                     std::int32_t roomSize) {
    const Result<ConvertedStream> converted = convertJpeg(input, ui, entry, roomSize);
    if (!converted.ok()) return converted.outcome();
    // From the work folder as opened: never a stream put in its place.
    ByteImage file = readWorkImageIn(input.settings.TempDirDescriptor, converted->path);
    file.require(converted->offset, 0, "Read");
    if (Outcome checked = checkConvertedStream(file.bytes(), entry.Kind, converted->offset);
        !checked.isDone())
        return checked;
    return SourceStream{file.bytes(), converted->offset};
}

Result<SourceStream> readySource(const std::string& path, Dialogs& ui, const PictureEntry& entry,
                                 std::int32_t roomSize) {
    std::vector<std::uint8_t> file = readImageFile(path).bytes();
    if (Outcome prepared = prepareReadyStream(ui, file, entry.Kind); !prepared.isDone())
        return prepared;
    const Result<std::int64_t> offset = checkReadyStream(ui, file, entry.Kind, roomSize);
    if (!offset.ok()) return offset.outcome();
    return SourceStream{std::move(file), *offset};
}

// Lays the stream and its records into the image; returns the free area after.
FreeSpace writePicture(ByteImage& image, Dialogs& ui, const OpenedFirmware& firmware,
                       const PictureEntry& entry, const Room& room, const SourceStream& source) {
    const FreeSpace before{firmware.FreeSpaceAddr, firmware.FreeSpaceSize};
    const bool moved = room.MoveToFreeSpace;
    if (entry.isMpeg2()) {
        const Mpeg2Layout layout =
            placeMpeg2(image, entry, source.stream(), moved, before.FreeSpaceAddr);
        if (!moved) return before;
        return recreateMpeg2Structure(image, entry, firmware.anchors.SegmentBase, before,
                                      layout.TailEnd);
    }
    const Mpeg4Layout layout =
        placeMpeg4(image, entry, source.stream(), moved, before.FreeSpaceAddr);
    return recreateMpeg4Structure(image, ui, entry, firmware.anchors.SegmentBase, moved, before,
                                  layout.StreamLength, layout.NextFree);
}

ReplacementPlan planOf(const OpenedFirmware& firmware, bool photo, const PictureEntry& entry,
                       const Room& room, std::int64_t streamLength, std::int64_t imageSize) {
    ReplacementPlan plan;
    plan.entry = entry;
    plan.moved = room.MoveToFreeSpace;
    plan.freeSpaceAddr = firmware.FreeSpaceAddr;
    plan.freeSpaceSize = firmware.FreeSpaceSize;
    plan.segmentBase = firmware.anchors.SegmentBase;
    plan.streamLength = streamLength;
    plan.updateImage = firmware.UpdateImage;
    plan.imageSize = imageSize;
    plan.pictureSize = photo;
    return plan;
}

// The result as it would be stored, proven sound before anything is written.
Outcome checkResult(const PictureTarget& target, const ByteImage& before, const ByteImage& changed,
                    const ReplacementPlan& plan, const SourceStream& source,
                    const FreeSpace& freeSpace, const Verifier& verify,
                    std::vector<std::string>& notes) {
    // Unswapped, the changed image is what is stored: no second copy.
    const OpenedFirmware& firmware = target.firmware;
    const std::vector<std::uint8_t> toStore =
        firmware.ByteSwapped ? restoreStoredOrder(changed) : std::vector<std::uint8_t>{};
    const VerificationInput check{
        before,
        changed,
        firmware.ByteSwapped ? std::span<const std::uint8_t>(toStore)
                             : std::span<const std::uint8_t>(changed.bytes()),
        plan,
        source.stream(),
        std::span(firmware.PictureTable).first(static_cast<std::size_t>(firmware.PictureCount)),
        target.picture,
        firmware.ByteSwapped,
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
Outcome keepTheOriginal(const std::string& firmwarePath, const ReplaceTarget& target, Dialogs& ui) {
    const std::string backup = fileNameOf(backupPathOf(firmwarePath));
    const BackupAttempt attempt = keepOriginal(firmwarePath, target.stored());
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

Outcome replace(const PictureTarget& picture, const ReplacementSource& source,
                const ReplaceOptions& options, Dialogs& ui, const ReplacementTools& tools,
                ReplaceMode mode, std::optional<WrittenFirmware>& written) {
    const OpenedFirmware& firmware = picture.firmware;
    const Result<PictureEntry> picked = pictureToReplace(picture, source);
    if (!picked.ok()) return picked.outcome();
    const PictureEntry& entry = *picked;
    // A file the person marked read-only is theirs to protect, even from root.
    if (const auto readOnly = readOnlyProblem(firmware.FirmwarePath))
        return Outcome::refused(replace_text::kErrorCaption, *readOnly);
    // No other Velmora may change the file between the reading and the commit.
    Result<FirmwareLock> lock = FirmwareLock();
    if (mode == ReplaceMode::Write && tools.lockFirmware) {
        lock = lockFirmware(firmware.FirmwarePath, ui, *picture.settings.Control);
        if (!lock.ok()) return lock.outcome();
    }
    const Result<ReplaceTarget> target = loadTarget(firmware, picture.settings);
    if (!target.ok()) return target.outcome();

    const Result<Room> room = decideRoom(options.UseSpareSpace, firmware.FreeSpaceSize, ui, entry,
                                         countedSectors(target->image, entry));
    if (!room.ok()) return room.outcome();
    // As accepted: a photo is converted, anything else is written as it is.
    const bool photo = source.SourceAccepted.isJpeg;
    const Result<SourceStream> stream =
        photo ? convertedSource({picture.settings, firmware, source.SourcePath, options}, ui,
                                tools.convertJpeg, entry, room->RoomSize)
              : readySource(source.SourcePath, ui, entry, room->RoomSize);
    if (!stream.ok()) return stream.outcome();
    if (!photo)
        if (Outcome format =
                checkStreamFormat(ui, target->image, entry, picture.picture + 1, stream->bytes);
            !format.isDone())
            return format;

    const auto streamLength = static_cast<std::int64_t>(stream->stream().size());
    if (replacementExtent(entry, streamLength, room->MoveToFreeSpace, firmware.FreeSpaceAddr) >
        target->image.size())
        return refused(replace_text::kDoesNotFit);

    // What the writing says is true only once the firmware is committed.
    HeldLog held(ui);
    held.log(replace_text::kReplacingLog);
    ByteImage changed = target->image;
    const FreeSpace freeSpace = writePicture(changed, held, firmware, entry, *room, *stream);
    held.log(replace_text::kReplacedLog);

    if (firmware.UpdateImage) {
        held.log(replace_text::kChecksumLog);
        (void)writeImageChecksum(changed);
        held.log(replace_text::kChecksumDoneLog);
    }
    if (firmware.ByteSwapped) held.log(replace_text::kRestoreLog);

    const ReplacementPlan plan =
        planOf(firmware, photo, entry, *room, streamLength, changed.size());
    std::vector<std::string> notes;
    if (Outcome checked = checkResult(picture, target->image, changed, plan, *stream, freeSpace,
                                      tools.verify, notes);
        !checked.isDone())
        return checked;
    for (const std::string& note : notes) held.log(note);

    const std::vector<ChangedRegion> regions =
        storedRegions(plannedRegions(plan), firmware.ByteSwapped);
    if (mode == ReplaceMode::DryRun) {
        held.drop(replace_text::kReplacedLog);
        held.drop(replace_text::kChecksumDoneLog);
        held.release();
        for (const ChangedRegion& region : regions) ui.log(regionLine(region));
        ui.log(replace_text::kDryRunLog);
        return Outcome::done();
    }
    const PendingReplacement pending{
        regions,      std::vector<std::uint8_t>(stream->stream().begin(), stream->stream().end()),
        entry.Kind,   entry.Width,
        entry.Height, picture.picture + 1};
    if (const Answer approval = ui.approveReplacement(pending); approval != Answer::Yes)
        return answered(approval);
    // A question the person has open (closing the window) is answered first.
    if (const Answer writing = ui.beginWriting(); writing != Answer::Yes) return answered(writing);
    const int otherNames = otherNamesOf(firmware.FirmwarePath);
    Result<Committed> stored = Committed{};
    Outcome committed;
    {
        const WritingDone writingDone(ui);
        if (Outcome kept = keepTheOriginal(firmware.FirmwarePath, *target, ui); !kept.isDone())
            return kept;
        committed = guardIo([&] {
            stored = commitReplacement(firmware, picture.settings, *target, changed, *tools.files);
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
            replace_text::otherNamesKeepOldContent(fileNameOf(firmware.FirmwarePath), otherNames));

    ui.log(replace_text::kAllDoneLog);
    ui.information(replace_text::kDoneCaption, replace_text::kDoneText);
    written = WrittenFirmware{(*stored).storedFingerprint, freeSpace};
    return Outcome::done();
}

}  // namespace

void keepWritten(OpenedFirmware& firmware, const WrittenFirmware& written) {
    firmware.FirmwareFingerprint = written.FirmwareFingerprint;
    firmware.FreeSpaceAddr = written.freeSpace.FreeSpaceAddr;
    firmware.FreeSpaceSize = written.freeSpace.FreeSpaceSize;
}

Replacement replacePicture(const PictureTarget& target, const ReplacementSource& source,
                           const ReplaceOptions& options, Dialogs& ui,
                           const ReplacementTools& tools, ReplaceMode mode) {
    Replacement replaced;
    replaced.outcome = guardIo(
        [&] { return replace(target, source, options, ui, tools, mode, replaced.written); });
    return replaced;
}

}  // namespace velmora
