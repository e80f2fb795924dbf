// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "catalogue/picture_table.h"
#include "firmware/byte_image.h"
#include "rewrite/changed_regions.h"

namespace velmora {

// What a replacement is checked against before its result may be written.
struct VerificationInput {
    const ByteImage& before;                 // the byte-normalised image as read
    const ByteImage& changed;                // the same after the writer
    std::span<const std::uint8_t> stored;    // what would be written to the firmware file
    const ReplacementPlan& plan;             // where the stream and its records were to go
    std::span<const std::uint8_t> stream;    // the stream that was to be written
    std::span<const PictureEntry> pictures;  // the pictures of the last analysis
    int replaced = 0;                        // the index of the picture being replaced
    bool byteSwapped = false;                // the firmware is stored byte-swapped
    std::uint32_t freeSpaceAfter = 0;        // where the next move would go
    // Said to the person when the result is sound but the program's own list
    // will not show the new picture; nullptr: not wanted.
    std::vector<std::string>* notes = nullptr;
};

// The check that failed, by name, and what it found.
struct VerificationFailure {
    std::string check;
    std::string text;
    std::string advice;  // what the person can do; empty: the check's usual advice
};

// The checks on where the bytes went: the stored bytes give back the changed
// image and keep the update image's checksum rule; no other picture and no
// byte outside the planned regions changed, and the stream spilled past its
// room only into erased flash; the records read back lead to the new stream.
[[nodiscard]] std::optional<VerificationFailure> verifyLayout(const VerificationInput& in);

// Proves the changed image sound before it is written: verifyLayout, then the
// new stream decodes to exactly one picture (of the picture's own size when it
// was converted for it), and a fresh analysis of the stored bytes finds the
// new picture where it was written, of its kind and that size, holding exactly
// the stream. Says nothing when all is well.
[[nodiscard]] std::optional<VerificationFailure> verifyReplacement(const VerificationInput& in);

// The words of the "ERROR!" box for a failed check: what failed, what the
// person can do about it, and that nothing was written.
[[nodiscard]] std::string verificationText(const VerificationFailure& failure);

// How a replacement checks its result (tests of the writer on made-up images
// use verifyLayout alone).
using Verifier = std::optional<VerificationFailure> (*)(const VerificationInput&);

}  // namespace velmora
