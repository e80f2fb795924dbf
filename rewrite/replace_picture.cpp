#include "rewrite/replace_picture.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "convert/source_intake.h"
#include "firmware/fingerprint.h"
#include "firmware/firmware_file_checks.h"
#include "firmware/io_error.h"
#include "rewrite/byte_order_restore.h"
#include "rewrite/changed_regions.h"
#include "rewrite/image_checksum.h"
#include "rewrite/mpeg2_placement.h"
#include "rewrite/mpeg4_placement.h"
#include "rewrite/refusal.h"
#include "rewrite/replace_texts.h"
#include "rewrite/replacement_run.h"
#include "rewrite/replacement_verification.h"
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

const PictureEntry& pictureToReplace(const Session& session) {
    if (session.SelectedPicture < 0 || session.SelectedPicture >= session.PictureCount)
        throw Refusal{replace_text::kNoPictureSelected};
    if (!session.SourceOpened || session.SourcePath.empty())
        throw Refusal{replace_text::kNoSourceOpened};
    const PictureEntry& entry = session.selected();
    // A fragmented picture without a known block length cannot be laid out.
    if (entry.GapLength > 0 && entry.BlockLength <= 0)
        throw Refusal{replace_text::kUnknownBlockLayout};
    return entry;
}

std::optional<SourceStream> convertedSource(Session& session, Dialogs& ui,
                                            const JpegConverter& convertJpeg,
                                            const PictureEntry& entry, std::int32_t roomSize) {
    const std::optional<ConvertedStream> converted = convertJpeg(session, ui, entry, roomSize);
    if (!converted) return std::nullopt;
    ByteImage file = readImageFile(converted->path);
    file.require(converted->offset, 0, "Read");
    if (!checkConvertedStream(ui, file.bytes(), entry.Kind, converted->offset)) return std::nullopt;
    return SourceStream{file.bytes(), converted->offset};
}

std::optional<SourceStream> readySource(const Session& session, Dialogs& ui,
                                        const PictureEntry& entry, std::int32_t roomSize) {
    ByteImage file = readImageFile(session.SourcePath);
    const std::optional<std::int64_t> offset =
        checkReadyStream(ui, file.bytes(), entry.Kind, roomSize);
    if (!offset) return std::nullopt;
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

bool replace(Session& session, Dialogs& ui, const JpegConverter& convertJpeg,
             const CommitFaults& faults) {
    const PictureEntry entry = pictureToReplace(session);
    // A file the person marked read-only is theirs to protect, even from root.
    if (const auto readOnly = readOnlyProblem(session.FirmwarePath)) throw Refusal{*readOnly};
    ReplaceTarget target = loadTarget(session);

    const Room room = decideRoom(session, ui, entry);
    const std::optional<SourceStream> source =
        isJpegSource(session.SourcePath)
            ? convertedSource(session, ui, convertJpeg, entry, room.RoomSize)
            : readySource(session, ui, entry, room.RoomSize);
    if (!source) return false;

    const auto streamLength = static_cast<std::int64_t>(source->stream().size());
    if (replacementExtent(entry, streamLength, room.MoveToFreeSpace, session.FreeSpaceAddr) >
        target.image.size())
        throw Refusal{replace_text::kDoesNotFit};

    ui.log(replace_text::kReplacingLog);
    ByteImage changed = target.image;
    const FreeSpace freeSpace = writePicture(changed, ui, session, entry, room, *source);
    ui.log(replace_text::kReplacedLog);

    if (isUpdateImage(session.FirmwarePath)) {
        ui.log(replace_text::kChecksumLog);
        (void)writeImageChecksum(changed);
        ui.log(replace_text::kChecksumDoneLog);
    }
    if (session.ByteSwapped) ui.log(replace_text::kRestoreLog);

    ReplacementPlan plan;
    plan.entry = entry;
    plan.moved = room.MoveToFreeSpace;
    plan.freeSpaceAddr = session.FreeSpaceAddr;
    plan.freeSpaceSize = session.FreeSpaceSize;
    plan.segmentBase = session.SegmentBase;
    plan.streamLength = streamLength;
    plan.updateImage = isUpdateImage(session.FirmwarePath);
    plan.imageSize = changed.size();
    plan.pictureSize = isJpegSource(session.SourcePath);
    const std::vector<std::uint8_t> toStore =
        session.ByteSwapped ? restoreStoredOrder(changed) : changed.bytes();
    const VerificationInput check{
        target.image,
        changed,
        toStore,
        plan,
        source->stream(),
        std::span(session.PictureTable).first(static_cast<std::size_t>(session.PictureCount)),
        session.SelectedPicture,
        session.ByteSwapped,
        freeSpace.FreeSpaceAddr};
    if (const auto failure = verifyReplacement(check))
        throw Refusal{"Verification failed (" + failure->check + "): " + failure->text};
    const std::vector<std::uint8_t> stored = commitReplacement(session, target, changed, faults);

    session.FirmwareFingerprint = fingerprint(stored);
    session.FreeSpaceAddr = freeSpace.FreeSpaceAddr;
    session.FreeSpaceSize = freeSpace.FreeSpaceSize;
    ui.log(replace_text::kAllDoneLog);
    ui.information(replace_text::kDoneCaption, replace_text::kDoneText);
    return true;
}

}  // namespace

bool runReplacement(Session& session, Dialogs& ui, const JpegConverter& convertJpeg,
                    const CommitFaults& faults) {
    try {
        return replace(session, ui, convertJpeg, faults);
    } catch (const Refusal& refusal) {
        ui.error(replace_text::kErrorCaption, refusal.text);
    } catch (const IoError& failure) {
        ui.error(std::string(kIoErrorCaption), failure.what());
    }
    return false;
}

bool replacePicture(Session& session, Dialogs& ui, const JpegConverter& convertJpeg) {
    return runReplacement(session, ui, convertJpeg, CommitFaults{});
}

}  // namespace velmora
