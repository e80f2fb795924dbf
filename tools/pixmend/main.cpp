// SPDX-License-Identifier: GPL-3.0-or-later
// pixmend: drops the frame header lines from a YUV4MPEG2 stream so that the MPEG-4
// encoder gets bare planar 4:2:0 frames.
#include <cstdio>
#include <vector>

#include "tools/common/tool_main.h"
#include "tools/pixmend/frame_filter.h"

namespace {

constexpr const char* kHelp =
    "Usage: pixmend < FRAMES.y4m > FRAMES.yuv\n"
    "\n"
    "Reads a YUV4MPEG2 stream on standard input, as 'yuvscaler -M NO_HEADER' writes it,\n"
    "and writes the bare planar frames to standard output: a 'YUV4MPEG2 ...' header line\n"
    "and the 'FRAME...' line before each frame are dropped. Input that starts with\n"
    "neither is passed on unchanged. Takes no arguments.\n"
    "Exit status: 0 on success, 1 on unusable input or a write error, 2 on arguments.\n";

std::vector<std::uint8_t> readAll(std::FILE* in) {
    std::vector<std::uint8_t> bytes;
    std::uint8_t chunk[65536];
    std::size_t n = 0;
    while ((n = std::fread(chunk, 1, sizeof chunk, in)) > 0)
        bytes.insert(bytes.end(), chunk, chunk + n);
    if (std::ferror(in)) throw velmora::tools::ToolError("cannot read standard input");
    return bytes;
}

void writeAll(std::FILE* out, const std::vector<std::uint8_t>& bytes) {
    if (std::fwrite(bytes.data(), 1, bytes.size(), out) != bytes.size() || std::fflush(out) != 0) {
        throw velmora::tools::ToolError("cannot write standard output");
    }
}

}  // namespace

int main(int argc, char** argv) {
    return velmora::tools::runTool("pixmend", kHelp, argc, argv, [](const auto& args) {
        if (!args.empty()) {
            throw velmora::tools::UsageError("takes no arguments, but got \"" + args.front() +
                                             "\"");
        }
        writeAll(stdout, velmora::tools::stripFrameLines(readAll(stdin)));
    });
}
