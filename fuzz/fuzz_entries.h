// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>

// One entry per fuzzed input kind. The libFuzzer targets call them, and the
// regression test replays every input kept in fuzz/regressions through them.
namespace velmora::fuzz {

// The whole analysis of an arbitrary image; the first byte chooses the byte
// order it is stored in.
int analyseImage(const std::uint8_t* data, std::size_t size);

// Every picture the analysis finds in an arbitrary image is extracted.
int extractPictures(const std::uint8_t* data, std::size_t size);

// The TGA decoder on an arbitrary file.
int decodeTga(const std::uint8_t* data, std::size_t size);

// The JPEG header walk on an arbitrary file.
int readJpegHeader(const std::uint8_t* data, std::size_t size);

// "Replace Image" on the standard fixture firmware with an arbitrary stream
// file; the first two bytes choose the picture, the move, the spare space and
// the confirmation.
int replaceWithStream(const std::uint8_t* data, std::size_t size);

}  // namespace velmora::fuzz
