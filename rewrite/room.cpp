// SPDX-License-Identifier: GPL-3.0-or-later
#include "rewrite/room.h"

#include <algorithm>

#include "rewrite/replace_texts.h"

namespace velmora {

namespace {
constexpr std::int32_t kSector = 2048;
constexpr std::int32_t kMpeg4MoveLimit = 0x10000;
constexpr std::int32_t kChunkOverhead = 9;  // tag, length field and one pad byte
}  // namespace

std::int32_t roomInPlace(const PictureEntry& entry, bool useSpareSpace) {
    return entry.DataSize + (useSpareSpace ? entry.Spare : 0);
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

Result<Room> decideRoom(const Session& session, Dialogs& ui, const PictureEntry& entry) {
    Room room{roomInPlace(entry, session.Options.UseSpareSpace), false};
    if (!moveIsOffered(entry, session.FreeSpaceSize)) return room;
    switch (
        ui.ask(Question::MovePicture, replace_text::kMoveCaption, replace_text::kMoveQuestion)) {
        case Answer::Yes:
            room.MoveToFreeSpace = true;
            room.RoomSize = movedRoomSize(entry, session.FreeSpaceSize);
            break;
        case Answer::No:
            break;
        case Answer::Cancelled:
            return Outcome::cancelled();
    }
    return room;
}

}  // namespace velmora
