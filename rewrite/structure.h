// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>

#include "catalogue/picture_table.h"
#include "firmware/byte_image.h"
#include "firmware/flash_records.h"
#include "firmware/free_space.h"
#include "person/dialogs.h"

namespace velmora {

// A moved MPEG-2 picture: writes its sector table at tailEnd and points its
// PointerRecord at it; returns the free area behind the table.
[[nodiscard]] FreeSpace recreateMpeg2Structure(ByteImage& target, const PictureEntry& entry,
                                               std::uint32_t segmentBase, FreeSpace before,
                                               std::int64_t tailEnd);

// An MPEG-4 picture, moved or not: its size record (when its pointer is known)
// and its pointer. A move returns the free area behind the chunk (nextFree).
[[nodiscard]] FreeSpace recreateMpeg4Structure(ByteImage& target, Dialogs& ui,
                                               const PictureEntry& entry, std::uint32_t segmentBase,
                                               bool moved, FreeSpace before,
                                               std::uint32_t streamLength, std::uint32_t nextFree);

}  // namespace velmora
