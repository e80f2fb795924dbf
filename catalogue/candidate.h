// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

#include "catalogue/picture_table.h"
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

}  // namespace velmora
