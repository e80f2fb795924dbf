#include "rewrite/replace_picture.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "convert/source_intake.h"
#include "firmware/file_io.h"
#include "firmware/fingerprint.h"
#include "rewrite/commit.h"
#include "rewrite/image_checksum.h"
#include "rewrite/mpeg2_placement.h"
#include "rewrite/mpeg4_placement.h"
#include "rewrite/replace_texts.h"
#include "rewrite/room.h"
#include "rewrite/stream_checks.h"
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
    ByteImage file = readImageFile(converted->path);
    file.require(converted->offset, 0, "Read");
    if (Outcome checked = checkConvertedStream(file.bytes(), entry.Kind, converted->offset);
        !checked.isDone())
        return checked;
    return SourceStream{file.bytes(), converted->offset};
}

Result<SourceStream> readySource(const Session& session, Dialogs& ui, const PictureEntry& entry,
                                 std::int32_t roomSize) {
    ByteImage file = readImageFile(session.SourcePath);
    const Result<std::int64_t> offset = checkReadyStream(ui, file.bytes(), entry.Kind, roomSize);
    if (!offset.ok()) return offset.outcome();
    return SourceStream{file.bytes(), *offset};
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
        return recreateMpeg2Structure(image, entry, session.SegmentBase, before, layout.TailEnd);
    }
    const Mpeg4Layout layout =
        placeMpeg4(image, entry, source.stream(), moved, before.FreeSpaceAddr);
    return recreateMpeg4Structure(image, ui, entry, session.SegmentBase, moved, before,
                                  layout.StreamLength, layout.NextFree);
}

Outcome replace(Session& session, Dialogs& ui, const ReplacementTools& tools) {
    const Result<PictureEntry> picked = pictureToReplace(session);
    if (!picked.ok()) return picked.outcome();
    const PictureEntry& entry = *picked;
    const Result<ReplaceTarget> target = loadTarget(session);
    if (!target.ok()) return target.outcome();

    const Result<Room> room = decideRoom(session, ui, entry);
    if (!room.ok()) return room.outcome();
    const Result<SourceStream> source =
        isJpegSource(session.SourcePath)
            ? convertedSource(session, ui, tools.convertJpeg, entry, room->RoomSize)
            : readySource(session, ui, entry, room->RoomSize);
    if (!source.ok()) return source.outcome();

    const auto streamLength = static_cast<std::int64_t>(source->stream().size());
    if (replacementExtent(entry, streamLength, room->MoveToFreeSpace, session.FreeSpaceAddr) >
        target->image.size())
        return refused(replace_text::kDoesNotFit);

    ui.log(replace_text::kReplacingLog);
    ByteImage changed = target->image;
    const FreeSpace freeSpace = writePicture(changed, ui, session, entry, *room, *source);
    ui.log(replace_text::kReplacedLog);

    if (isUpdateImage(session.FirmwarePath)) {
        ui.log(replace_text::kChecksumLog);
        (void)writeImageChecksum(changed);
        ui.log(replace_text::kChecksumDoneLog);
    }
    // A last look before anything is written: the person may decline or cancel.
    PendingReplacement pending;
    pending.stream.assign(source->stream().begin(), source->stream().end());
    pending.kind = entry.Kind;
    pending.width = entry.Width;
    pending.height = entry.Height;
    pending.number = session.SelectedPicture + 1;
    const Answer approved = ui.approveReplacement(pending);
    if (approved == Answer::No) return Outcome::declined();
    if (approved == Answer::Cancelled) return Outcome::cancelled();

    if (session.ByteSwapped) ui.log(replace_text::kRestoreLog);
    const Result<std::vector<std::uint8_t>> stored =
        commitReplacement(session, *target, changed, *tools.files);
    if (!stored.ok()) return stored.outcome();

    session.FirmwareFingerprint = fingerprint(*stored);
    session.FreeSpaceAddr = freeSpace.FreeSpaceAddr;
    session.FreeSpaceSize = freeSpace.FreeSpaceSize;
    ui.log(replace_text::kAllDoneLog);
    ui.information(replace_text::kDoneCaption, replace_text::kDoneText);
    return Outcome::done();
}

}  // namespace

Outcome replacePicture(Session& session, Dialogs& ui, const ReplacementTools& tools) {
    return guardIo([&] { return replace(session, ui, tools); });
}

}  // namespace velmora
