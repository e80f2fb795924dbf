// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/analysis_json.h"

#include <nlohmann/json.hpp>

#include "firmware/file_io.h"
#include "rewrite/image_checksum.h"

namespace velmora::cli {
namespace {

using nlohmann::ordered_json;

// An address the analysis may not have found: null then.
ordered_json addressOrNull(bool found, std::uint32_t address) {
    return found ? ordered_json(address) : ordered_json(nullptr);
}

ordered_json firmwareJson(const Session& s) {
    ordered_json free = nullptr;
    if (s.FreeSpaceSize > 0)
        free = ordered_json{{"address", s.FreeSpaceAddr}, {"size", s.FreeSpaceSize}};
    return ordered_json{{"name", s.FirmwareName},
                        {"size", fileSize(s.FirmwarePath)},
                        {"byte_order", s.ByteSwapped ? "swapped" : "normal"},
                        {"update_image", isUpdateImage(s.FirmwarePath)},
                        {"free_space", free}};
}

// The records a replacement rewrites. An MPEG-4 size record is only known
// through its pointer.
ordered_json recordsJson(const PictureEntry& e) {
    const bool pointer = e.PointerAddr != 0;
    if (e.isMpeg2()) return ordered_json{{"pointer_record", addressOrNull(pointer, e.PointerAddr)}};
    return ordered_json{{"flash_pointer", addressOrNull(pointer, e.PointerAddr)},
                        {"size_record", addressOrNull(pointer, e.RoomEnd)}};
}

ordered_json pictureJson(const PictureEntry& e, int number) {
    const bool fragmented = e.GapLength != 0;
    return ordered_json{{"number", number},
                        {"kind", e.isMpeg2() ? "MPEG2" : "MPEG4"},
                        {"width", e.Width},
                        {"height", e.Height},
                        {"fps", e.FrameRate},
                        {"address", e.Start},
                        {"end", e.End},
                        {"length", e.DataSize},
                        {"spare", e.Spare},
                        {"fragmented", fragmented},
                        {"block", fragmented ? ordered_json(e.BlockLength) : nullptr},
                        {"gap", fragmented ? ordered_json(e.GapLength) : nullptr},
                        {"records", recordsJson(e)},
                        // No record found leads the player here: an old copy
                        // left behind by a move, for one.
                        {"referenced", e.PointerAddr != 0}};
}

}  // namespace

std::string analysisJson(const Session& session) {
    ordered_json pictures = ordered_json::array();
    for (int i = 0; i < session.PictureCount; ++i)
        pictures.push_back(pictureJson(session.PictureTable[static_cast<std::size_t>(i)], i + 1));
    const ordered_json document{{"firmware", firmwareJson(session)}, {"pictures", pictures}};
    return document.dump(2) + "\n";
}

}  // namespace velmora::cli
