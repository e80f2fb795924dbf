#pragma once

namespace velmora {

// Work files of a JPEG conversion, all in TempDir.
inline constexpr const char* kPreparedBitmap = "$jpg_res.bmp";
inline constexpr const char* kResizedJpeg = "$jpg_res.jpg";
inline constexpr const char* kBatchFile = "$convert.bat";
inline constexpr const char* kRawPicture = "$tmp.yuv";
inline constexpr const char* kMpeg2Result = "$jpg_res.m2v";
inline constexpr const char* kMpeg4Result = "$jpg_res.m4v";

}  // namespace velmora
