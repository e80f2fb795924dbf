// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

#include "catalogue/picture_table.h"
#include "catalogue/session.h"
#include "firmware/byte_image.h"
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

// The stream bytes that fit in the sectors the picture's PointerRecord counts
// (from its first gap header), less the gap headers inside them: in place the
// record stays, so the player reads no further.
[[nodiscard]] std::int32_t roomInCountedSectors(const PictureEntry& entry, std::int32_t sectors);

// The sector count of an MPEG-2 picture's PointerRecord; 0 when the record is
// not known (or the picture is no MPEG-2 picture).
[[nodiscard]] std::int32_t countedSectors(const ByteImage& image, const PictureEntry& entry);

// The move is offered only for a picture whose records are known and when the
// unoccupied area is larger than the old picture's whole span.
[[nodiscard]] bool moveIsOffered(const PictureEntry& entry, std::int32_t freeSpaceSize);

// The room in the unoccupied area. MPEG-2 leaves space for the sector table and
// the gap headers; MPEG-4 for the chunk's 8 header bytes and a pad byte.
[[nodiscard]] std::int32_t movedRoomSize(const PictureEntry& entry, std::int32_t freeSpaceSize);

// Decides the room, asking "Move picture?" when the move is possible; a
// question closed without an answer ends the replacement. sectors: what the
// picture's PointerRecord counts (0: unknown); the room in place ends there,
// with a log line when that makes it smaller.
[[nodiscard]] Result<Room> decideRoom(bool useSpareSpace, std::int32_t freeSpaceSize, Dialogs& ui,
                                      const PictureEntry& entry, std::int32_t sectors = 0);

}  // namespace velmora
