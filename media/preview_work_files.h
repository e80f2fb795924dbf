// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace velmora {

// Work files of the preview and of "Save TGA picture", in TempDir.
inline constexpr const char* kPreviewMpeg2 = "$mpeg.m2v";
inline constexpr const char* kPreviewMpeg4 = "$mpeg.m4v";  // left for the desktop's player
inline constexpr const char* kDecodedName = "$tga";        // the decoder's output name
inline constexpr const char* kDecodedFile = "$tga.tga";    // what the decoder writes for it

// The extension the MPEG-2 decoder appends to its output name.
inline constexpr const char* kTargaExtension = ".tga";

}  // namespace velmora
