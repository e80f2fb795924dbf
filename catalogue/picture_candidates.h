#pragma once

#include <cstdint>

#include "catalogue/end_code_search.h"
#include "catalogue/picture_table.h"
#include "firmware/anchors.h"
#include "firmware/byte_image.h"

namespace velmora {

// What looking at one candidate start code gave.
enum class CandidateOutcome {
    NotAPicture,  // go on at the next byte
    Endless,      // an MPEG-2 stream without an end code: go on 4 bytes after its start
    Found,        // a picture; `entry` holds what the stream itself tells
    EndOfScan,    // an MPEG-4 header without a picture start: no further candidate is looked at
};

struct Candidate {
    CandidateOutcome outcome = CandidateOutcome::NotAPicture;
    PictureEntry entry;
};

// Where the last search for a video object start code began and what it
// found (-1: none up to the end of the file): a search from anywhere in
// between finds the same. One for each word order.
struct VideoObjectMemo {
    std::int64_t from[2] = {-1, -1};
    std::int64_t found[2] = {-1, -1};
};

// The sequence header code 00 00 01 B3 at q: size, frame rate and end code.
[[nodiscard]] Candidate readMpeg2Stream(const ByteImage& image, std::int64_t q, EndCodeMemo& memo);

// The rest of an MPEG-2 picture once it is accepted: gap header, block
// length, data size, the room after the stream and the spare bytes in it.
struct Mpeg2Room {
    bool roomReachedEnd = false;  // the filler walk met the end of the file
};
[[nodiscard]] Mpeg2Room completeMpeg2Picture(const ByteImage& image, PictureEntry& entry);

// A chunk tag "00dc" / "00cd" at q: length, video object layer header and size.
[[nodiscard]] Candidate readMpeg4Chunk(const ByteImage& image, std::int64_t q,
                                       VideoObjectMemo& memo);
[[nodiscard]] Candidate readMpeg4Chunk(const ByteImage& image, std::int64_t q);

// The SizeRecord and the FlashPointer that follow an accepted MPEG-4 chunk,
// searched up to freeSpaceAddr. False when the chunk reaches past the file.
[[nodiscard]] bool findMpeg4Records(const ByteImage& image, const Anchors& anchors,
                                    std::uint32_t freeSpaceAddr, PictureEntry& entry);

inline constexpr std::uint32_t kSequenceHeaderCode = 0xB3010000;  // bytes 00 00 01 B3
inline constexpr std::uint32_t kChunkTagDc = 0x63643030;          // bytes "00dc"
inline constexpr std::uint32_t kChunkTagCd = 0x64633030;          // bytes "00cd"

}  // namespace velmora
