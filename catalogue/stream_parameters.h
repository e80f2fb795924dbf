// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace velmora {

// What a player must be set up for to show a one-picture stream, read from
// its headers: the MPEG-2 sequence header and sequence extension, or the
// MPEG-4 video object layer (and the visual object sequence header when the
// stream has one). A field the stream does not say is left empty.
struct StreamParameters {
    int kind = 0;  // 2 or 4; 0: no header found
    int width = 0;
    int height = 0;
    std::optional<double> frameRate;          // frames per second
    std::optional<std::string> aspectRatio;   // "4:3" (MPEG-2: display), "12:11 pixels" (MPEG-4)
    std::optional<std::string> chromaFormat;  // "4:2:0", "4:2:2", "4:4:4"
    std::optional<int> profileAndLevel;       // the profile_and_level_indication byte
    std::optional<int> objectType;            // MPEG-4: video_object_type_indication
    std::optional<bool> progressive;
    int pictures = 0;       // picture (VOP) start codes in the stream
    int intraPictures = 0;  // of them intra-coded
};

// Reads the parameters of an MPEG-2 (kind 2) or MPEG-4 (kind 4) elementary
// stream. Never reads outside `stream`.
[[nodiscard]] StreamParameters readStreamParameters(std::span<const std::uint8_t> stream, int kind);

// Each way in which `stream` differs from `picture`, as a line for the
// person, naming the new stream first and picture #number second. Fields one
// of them does not say are not compared. Empty when they match.
[[nodiscard]] std::vector<std::string> parameterDifferences(const StreamParameters& stream,
                                                            const StreamParameters& picture,
                                                            int number);

}  // namespace velmora
