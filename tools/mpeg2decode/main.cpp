// SPDX-License-Identifier: GPL-3.0-or-later
// mpeg2decode: decodes the first picture of an MPEG-2 video stream into a TGA file,
// for the preview and for saving a firmware picture.
#include "tools/common/tool_main.h"
#include "tools/mpeg2decode/decode_options.h"
#include "tools/mpeg2decode/first_picture.h"
#include "tools/mpeg2decode/tga_file.h"

namespace {

constexpr const char* kHelp =
    "Usage: mpeg2decode -b IN.m2v [-f] [-r] -o2 OUT\n"
    "\n"
    "Decodes the first picture of the MPEG-2 (or MPEG-1) video elementary stream IN.m2v\n"
    "and writes it to OUT.tga (\".tga\" is always appended) as an uncompressed 24-bit TGA\n"
    "picture, rows bottom to top.\n"
    "  -b FILE   the input stream (required)\n"
    "  -f, -r    accepted; the picture is always decoded whole and exactly\n"
    "  -o2 NAME  TGA output (the only format); the file is NAME.tga\n"
    "Nothing is written when the stream holds no picture that can be decoded.\n"
    "Exit status: 0 on success, 1 when IN is missing or not decodable or OUT.tga cannot be\n"
    "written, 2 on arguments.\n";

}  // namespace

int main(int argc, char** argv) {
    using namespace velmora::tools;
    return runTool("mpeg2decode", kHelp, argc, argv, [](const auto& args) {
        if (args.empty()) throw UsageError("no arguments given");
        const DecodeOptions options = parseDecodeOptions(args);
        const auto stream = readInputFile(options.input);
        writeOutputFile(options.outputBase + ".tga", tgaFileOf(decodeFirstPicture(stream)));
    });
}
