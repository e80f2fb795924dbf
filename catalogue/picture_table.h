// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>

namespace velmora {

inline constexpr int kMaxPictures = 16;
inline constexpr int kKindMpeg2 = 2;
inline constexpr int kKindMpeg4 = 4;
inline constexpr double kFrameRateNtsc = 29.97;
inline constexpr double kFrameRatePal = 25.0;

// One background picture found by the analysis. Offsets address the
// byte-normalised image (for a swapped dump the same word offsets hold in the
// stored file, with byte a at a XOR 1).
struct PictureEntry {
    std::uint32_t Start = 0;        // MPEG-2: sequence header code; MPEG-4: chunk tag
    std::uint32_t End = 0;          // just past the end code / the chunk (even)
    std::uint32_t RoomEnd = 0;      // MPEG-2: end of the filler; MPEG-4: the SizeRecord
    std::uint32_t PointerAddr = 0;  // PointerRecord (MPEG-2) or FlashPointer (MPEG-4); 0 = none
    std::int32_t Kind = 0;          // 2 or 4
    std::int32_t HeaderLength = 0;  // MPEG-4: bytes after the VO start code up to the VOP code
    std::int32_t DataSize = 0;
    std::int32_t Spare = 0;
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    std::int32_t GapLength = 0;               // MPEG-2: gap header length; 0 = not fragmented
    std::int32_t BlockLength = 0;             // MPEG-2: stream bytes between two gap headers
    double FrameRate = 0.0;                   // 29.97 or 25.0
    bool WordSwapped = false;                 // MPEG-4: chunk tagged "00cd"
    std::array<std::uint8_t, 71> GapBytes{};  // MPEG-2: a copy of the first gap header

    [[nodiscard]] bool isMpeg2() const { return Kind == kKindMpeg2; }
};

using PictureArray = std::array<PictureEntry, kMaxPictures>;

// The pictures a scan found, in file order.
struct PictureList {
    PictureArray table{};
    int count = 0;  // entries 0..count-1 are valid
};

}  // namespace velmora
