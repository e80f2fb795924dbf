// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace velmora::testing {

using Bytes = std::vector<std::uint8_t>;

// Most significant bit first, as stream headers are written.
class BitWriter {
  public:
    void put(std::uint32_t value, int bits);
    [[nodiscard]] Bytes bytes() const;

  private:
    Bytes bytes_;
    int used_ = 0;
};

struct VolFields {
    int width = 720;
    int height = 576;
    bool objectLayerIdentifier = false;
    int verid = 1;
    int aspectRatio = 1;  // 15 adds the extended pixel aspect ratio
    bool controlParameters = false;
    bool vbvParameters = false;
    int shape = 0;        // 3 = grayscale
    int resolution = 25;  // vop_time_increment_resolution
    bool fixedVopRate = false;
};

// A video object layer header starting with its start code 00 00 01 20.
[[nodiscard]] Bytes volHeader(const VolFields& f);

// A minimal MPEG-2 still: sequence header code, size, the aspect/rate byte,
// `payload` bytes of 0x11 and the end code 00 00 01 B7.
[[nodiscard]] Bytes mpeg2Stream(int width, int height, std::uint8_t rateByte, std::size_t payload);

// An MPEG-4 stream as a chunk stores it: 00 00 01 00, the layer header, a VOP
// start code and `payload` bytes.
[[nodiscard]] Bytes mpeg4Stream(const VolFields& f, std::size_t payload);

// A chunk "00dc" (or "00cd" with every word swapped) holding the stream.
[[nodiscard]] Bytes videoChunk(const Bytes& stream, bool wordSwapped);

// An image of `size` bytes of code-like filler with nothing a scan could take
// for a picture, a gap header or an erased area; starts with FA A1.
[[nodiscard]] Bytes fillerImage(std::size_t size);

// A small image holding a PAL picture at 0x1000 and an NTSC one at 0x2000,
// neither fragmented, with no records pointing at them.
[[nodiscard]] Bytes twoMpeg2Pictures();

void place(Bytes& image, std::size_t at, const Bytes& data);
void putLe16(Bytes& image, std::size_t at, std::uint16_t v);
void putLe32(Bytes& image, std::size_t at, std::uint32_t v);

}  // namespace velmora::testing
