// SPDX-License-Identifier: GPL-3.0-or-later
#include "rewrite/room.h"

#include <algorithm>

#include "firmware/flash_records.h"
#include "rewrite/replace_texts.h"

namespace velmora {

namespace {
constexpr auto kSector = static_cast<std::int32_t>(kSectorSize);
constexpr std::int32_t kMpeg4MoveLimit = 0x10000;
constexpr std::int32_t kChunkOverhead = 9;  // tag, length field and one pad byte
}  // namespace

std::int32_t roomInPlace(const PictureEntry& entry, bool useSpareSpace) {
    return entry.DataSize + (useSpareSpace ? entry.Spare : 0);
}

std::int32_t roomInCountedSectors(const PictureEntry& entry, std::int32_t sectors) {
    const std::int64_t header = std::int64_t{entry.Start} - entry.GapLength;
    const std::int64_t span = header + std::int64_t{sectors} * kSector - entry.Start;
    if (span <= 0) return 0;
    const std::int64_t period = entry.BlockLength + entry.GapLength;
    if (entry.GapLength <= 0 || period <= 0) return static_cast<std::int32_t>(span);
    const std::int64_t rest = span % period;
    return static_cast<std::int32_t>(span / period * entry.BlockLength +
                                     std::min<std::int64_t>(rest, entry.BlockLength));
}

std::int32_t countedSectors(const ByteImage& image, const PictureEntry& entry) {
    if (!entry.isMpeg2() || entry.PointerAddr == 0 || !image.contains(entry.PointerAddr, 2))
        return 0;
    return image.u16(entry.PointerAddr);
}

bool moveIsOffered(const PictureEntry& entry, std::int32_t freeSpaceSize) {
    const std::int64_t span = static_cast<std::int64_t>(entry.End) - entry.Start;
    return entry.PointerAddr != 0 && freeSpaceSize > span;
}

std::int32_t movedRoomSize(const PictureEntry& entry, std::int32_t freeSpaceSize) {
    if (!entry.isMpeg2()) return std::min(freeSpaceSize - kChunkOverhead, kMpeg4MoveLimit);
    const std::int32_t sectors = freeSpaceSize / kSector;
    std::int32_t room = freeSpaceSize - (sectors + 1) * 4;
    room = (room / kSector) * kSector;
    const std::int32_t step = entry.GapLength + entry.BlockLength;
    if (step <= 0) return room;
    return room - ((room / step) + 1) * entry.GapLength;
}

Result<Room> decideRoom(bool useSpareSpace, std::int32_t freeSpaceSize, Dialogs& ui,
                        const PictureEntry& entry, std::int32_t sectors) {
    Room room{roomInPlace(entry, useSpareSpace), false};
    if (sectors > 0) {
        const std::int32_t counted = roomInCountedSectors(entry, sectors);
        if (counted < room.RoomSize) {
            ui.log(replace_text::countedRoomLog(sectors, counted, room.RoomSize));
            room.RoomSize = counted;
        }
    }
    if (!moveIsOffered(entry, freeSpaceSize)) return room;
    switch (
        ui.ask(Question::MovePicture, replace_text::kMoveCaption, replace_text::kMoveQuestion)) {
        case Answer::Yes:
            room.MoveToFreeSpace = true;
            room.RoomSize = movedRoomSize(entry, freeSpaceSize);
            break;
        case Answer::No:
            break;
        case Answer::Cancelled:
            return Outcome::cancelled();
    }
    return room;
}

}  // namespace velmora
