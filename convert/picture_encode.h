// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "convert/old_stream_parameters.h"
#include "convert/photo_preparation.h"
#include "convert/quality_search.h"

struct AVFrame;

namespace velmora {

// What the new stream must declare: the old picture's stream parameters.
struct OldStreamParameters {
    bool mpeg2 = true;
    Mpeg2StreamParameters sequence;  // MPEG-2 (or MPEG-1)
    Mpeg4StreamParameters layer;     // MPEG-4
    int width = 0;
    int height = 0;

    [[nodiscard]] DisplayAspect aspect() const {
        return mpeg2 ? displayAspectOf(sequence) : displayAspectOf(layer);
    }
};

// Reads them from the old picture's stream (as extracted); nothing when its
// headers cannot be read.
[[nodiscard]] std::optional<OldStreamParameters> readOldStreamParameters(
    std::span<const std::uint8_t> stream, bool mpeg2);

// One intra picture of the prepared photo, encoded in memory with libavcodec
// (trellis quantisation, rate-distortion macroblock decisions) at a given
// setting, the stream's headers made to declare the old
// picture's parameters. MPEG-2 ends with a sequence end code; MPEG-4 starts at
// the video object start code, with no user data before its picture.
class PictureEncoder {
  public:
    PictureEncoder(const OldStreamParameters& old, const PreparedPhoto& photo);
    ~PictureEncoder();
    PictureEncoder(const PictureEncoder&) = delete;
    PictureEncoder& operator=(const PictureEncoder&) = delete;

    // The stream at this setting; nothing when the encoder failed.
    [[nodiscard]] std::optional<std::vector<std::uint8_t>> encode(
        const EncoderSetting& setting) const;

    // The size of a plain encode at a whole quantiser (no trellis, no
    // rate-distortion decisions): some ten times faster than encode(), and
    // a steady fraction larger, for a first guess; nothing when it failed.
    [[nodiscard]] std::optional<std::int64_t> plainSize(int quantiser) const;

    // The size of one half of the picture, encoded at this setting as a
    // picture of its own: the macroblock rows of one parity (0: the first,
    // third, ...). Both halves side by side take the time of half an encode,
    // and their sum, times some 0.99, is the whole picture's size at the
    // setting within about 1 %; nothing when the encoder failed.
    [[nodiscard]] std::optional<std::int64_t> halfSize(const EncoderSetting& setting,
                                                       int parity) const;

    // The picture as the encoder takes it, in its planar form (for checks).
    [[nodiscard]] const OldStreamParameters& parameters() const { return old_; }

  private:
    [[nodiscard]] std::optional<std::vector<std::uint8_t>> encodeWith(const EncoderSetting& setting,
                                                                      bool tuned) const;
    // The encoder's own stream of this frame, headers as it writes them.
    [[nodiscard]] std::optional<std::vector<std::uint8_t>> encodeFrame(
        const AVFrame& picture, const EncoderSetting& setting, bool tuned) const;
    struct Frame;
    OldStreamParameters old_;
    std::unique_ptr<Frame> frame_;
};

inline constexpr int kLambdaPerQuantiser = 118;

// The quantisers an MPEG-4 macroblock may take at a lambda held fixed: within
// 2 of lambda's own, which is as far as the rate-distortion choice reaches
// from the picture's quantiser in one step; quantiser 1 only when lambda's is
// 1. Rows drifting further, down to 1 above all, gain nothing at equal
// bytes and make a try take twice as long (measured on eleven photos).
struct QuantiserRange {
    int finest = 1;
    int coarsest = 31;
};
[[nodiscard]] QuantiserRange macroblockQuantisers(int lambda);

}  // namespace velmora
