// SPDX-License-Identifier: GPL-3.0-or-later
// xvid_encraw: encodes one raw YUV 4:2:0 picture into a one-VOP MPEG-4 Part 2 stream
// at a fixed quantizer, with the leading headers a DVD player's firmware expects.
#include <iostream>

#include "tools/common/tool_main.h"
#include "tools/xvid_encraw/encoder_options.h"
#include "tools/xvid_encraw/stream_headers.h"
#include "tools/xvid_encraw/xvid_encoder.h"

namespace {

constexpr const char* kHelp =
    "Usage: xvid_encraw -i IN.yuv -type 0 -single -cq Q -w W -h H [-framerate R]\n"
    "                   -frames 1 [-lumimasking] [-qtype 0|1] -o OUT.m4v\n"
    "\n"
    "Encodes the first frame of IN.yuv (raw planar YUV 4:2:0, W x H pixels) as one intra\n"
    "picture of an MPEG-4 Part 2 elementary stream, with the Xvid library.\n"
    "  -i FILE        raw YUV 4:2:0 input (required)\n"
    "  -type 0        the input is raw YUV (the only type supported)\n"
    "  -single        single pass (the only mode)\n"
    "  -cq Q          fixed quantizer, 1 or more (required); a larger Q gives a smaller\n"
    "                 stream; values above 31 are encoded at 31\n"
    "  -w W, -h H     picture width and height in pixels, even, 2 to 8190 (required)\n"
    "  -framerate R   frames per second, e.g. 25 or 29.97 (default 25)\n"
    "  -frames 1      number of frames (only 1)\n"
    "  -lumimasking   adapt the quantizer to the brightness of each block\n"
    "  -qtype 0|1     H.263 (0, default) or MPEG (1) quantisation\n"
    "  -o FILE        output stream (required); written only when encoding succeeded\n"
    "The output starts with the ten bytes 00 00 01 B0 F5 00 00 01 B5 09, then the video\n"
    "object start code 00 00 01 00, the video object layer and the VOP.\n"
    "Exit status: 0 on success, 1 when the input or the encoding fails, 2 on arguments.\n";

}  // namespace

int main(int argc, char** argv) {
    using namespace velmora::tools;
    return runTool("xvid_encraw", kHelp, argc, argv, [](const auto& args) {
        if (args.empty()) throw UsageError("no arguments given");
        const EncoderOptions options = parseEncoderOptions(args);
        const auto yuv = readInputFile(options.input);
        writeOutputFile(options.output, withFirmwareHeaders(encodeIntraFrame(yuv, options)));
    });
}
