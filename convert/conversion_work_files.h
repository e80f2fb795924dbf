// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace velmora {

// Work files of a JPEG conversion, all in TempDir.
inline constexpr const char* kPreparedBitmap = "$jpg_res.bmp";
inline constexpr const char* kResizedJpeg = "$jpg_res.jpg";
inline constexpr const char* kBatchFile = "$convert.bat";
inline constexpr const char* kRawPicture = "$tmp.yuv";
inline constexpr const char* kMpeg2Result = "$jpg_res.m2v";
inline constexpr const char* kMpeg4Result = "$jpg_res.m4v";

// The files one encoder try writes. Tries may run side by side, each in a slot
// of its own: slot 0 has the names above, slot k the same with "-k" before the
// extension, so that no two running tries share a file.
struct TryFiles {
    std::string batch;
    std::string rawPicture;
    std::string stream;
};

[[nodiscard]] inline TryFiles tryFiles(int slot, bool mpeg2) {
    const std::string stream = mpeg2 ? kMpeg2Result : kMpeg4Result;
    if (slot == 0) return {kBatchFile, kRawPicture, stream};
    const auto numbered = [slot](const std::string& name) {
        const std::size_t dot = name.rfind('.');
        return name.substr(0, dot) + "-" + std::to_string(slot) + name.substr(dot);
    };
    return {numbered(kBatchFile), numbered(kRawPicture), numbered(stream)};
}

}  // namespace velmora
