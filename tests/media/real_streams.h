#pragma once

#include <optional>
#include <string>
#include <vector>

namespace velmora::testing {

// Runs a shell command; true when it exited 0.
bool runShell(const std::string& command);

// A one-picture MPEG-2 stream made from a JPEG by mjpegtools' jpeg2yuv and
// mpeg2enc, as the conversion makes them; nullopt when the tools are missing.
[[nodiscard]] std::optional<std::vector<std::uint8_t>> mpeg2encStill(const std::string& folder,
                                                                     int width, int height);

// The data of an MPEG-4 picture's chunk (from its video object start code on),
// encoded by FFmpeg; nullopt when ffmpeg is missing.
[[nodiscard]] std::optional<std::vector<std::uint8_t>> mpeg4ChunkData(const std::string& folder,
                                                                      int width, int height);

struct DecodedSize {
    int width = 0;
    int height = 0;
    bool frameDecoded = false;
};

// What libavcodec (through ffprobe and ffmpeg) makes of a stream file.
[[nodiscard]] DecodedSize decodeWithFfmpeg(const std::string& path);

}  // namespace velmora::testing
