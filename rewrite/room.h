// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

#include "catalogue/picture_table.h"
#include "catalogue/session.h"
#include "person/dialogs.h"
#include "person/outcome.h"

namespace velmora {

// How much the new stream may occupy, and where it goes.
struct Room {
    std::int32_t RoomSize = 0;
    bool MoveToFreeSpace = false;
};

// The picture's own room: its data, plus its spare room when that may be used.
[[nodiscard]] std::int32_t roomInPlace(const PictureEntry& entry, bool useSpareSpace);

// The move is offered only for a picture whose records are known and when the
// unoccupied area is larger than the old picture's whole span.
[[nodiscard]] bool moveIsOffered(const PictureEntry& entry, std::int32_t freeSpaceSize);

// The room in the unoccupied area. MPEG-2 leaves space for the sector table and
// the gap headers; MPEG-4 for the chunk's 8 header bytes and a pad byte.
[[nodiscard]] std::int32_t movedRoomSize(const PictureEntry& entry, std::int32_t freeSpaceSize);

// Decides the room, asking "Move picture?" when the move is possible; a
// question closed without an answer ends the replacement.
[[nodiscard]] Result<Room> decideRoom(const Session& session, Dialogs& ui,
                                      const PictureEntry& entry);

}  // namespace velmora
