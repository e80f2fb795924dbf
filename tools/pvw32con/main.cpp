// SPDX-License-Identifier: GPL-3.0-or-later
// pvw32con: prepares the user's picture for the encoders: a 24-bit BMP with colour and
// orientation options, then a JPEG of exactly the size of the picture being replaced.
#include <Magick++.h>

#include <cstdlib>

#include "tools/common/tool_main.h"
#include "tools/pvw32con/converter_options.h"
#include "tools/pvw32con/picture_conversion.h"

namespace {

constexpr const char* kHelp =
    "Usage: pvw32con SRC -w --jh --o OUT.bmp [--24|--c256|--c16] [--g]\n"
    "                [--r90|--r180|--r270] [--h] [--v]\n"
    "       pvw32con SRC -j --jq{QUALITY} --o OUT.jpg --X{WIDTH} --Y{HEIGHT}\n"
    "\n"
    "-w writes SRC as a 24-bit BMP:\n"
    "  --24            keep every colour (default)\n"
    "  --c256, --c16   reduce to at most 256 or 16 colours\n"
    "  --g             greyscale\n"
    "  --r90, --r180, --r270   rotate clockwise by so many degrees\n"
    "  --h             mirror left to right (after the rotation)\n"
    "  --v             mirror top to bottom (after the rotation)\n"
    "  --jh            accepted; changes nothing\n"
    "-j writes SRC as a baseline JPEG resized to exactly WIDTH x HEIGHT pixels (the\n"
    "   proportions are not kept):\n"
    "  --jq{N}         JPEG quality 1 to 100 (default 100), e.g. --jq100\n"
    "  --X{W} --Y{H}   the size, e.g. --X720 --Y576\n"
    "SRC may be any picture ImageMagick reads. OUT is written only on success.\n"
    "Exit status: 0 on success, 1 when SRC cannot be read or OUT written, 2 on arguments.\n";

}  // namespace

int main(int argc, char** argv) {
    using namespace velmora::tools;
    return runTool("pvw32con", kHelp, argc, argv, [argv](const auto& args) {
        if (args.empty()) throw UsageError("no arguments given");
        ConverterOptions options = parseConverterOptions(args);
        readFinalSize(std::getenv("PVW32CON_FINAL_SIZE"), options);
        const auto source = readInputFile(options.source);
        Magick::InitializeMagick(argv[0]);
        writeOutputFile(options.output, convertPicture(source, options));
    });
}
