// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

namespace velmora::tools {

// -w: prepare a 24-bit BMP with colour and orientation options; -j: resize to an exact
// size and write a JPEG.
enum class ConverterMode { Bitmap, Jpeg };

enum class ColourDepth { TrueColour, Colours256, Colours16 };

struct ConverterOptions {
    ConverterMode mode = ConverterMode::Bitmap;
    std::string source;
    std::string output;
    // -w only
    ColourDepth colours = ColourDepth::TrueColour;
    bool greyscale = false;
    int rotation = 0;  // clockwise degrees: 0, 90, 180, 270
    bool mirrorHorizontal = false;
    bool mirrorVertical = false;
    // -w: the size the picture is finally resized to (0: not known), from the
    // environment; a large JPEG is then decoded at a reduced size that still covers it.
    int finalWidth = 0;
    int finalHeight = 0;
    // -j only
    int quality = 100;
    int width = 0;
    int height = 0;
};

// Reads either form, options in any order:
//   SRC -w --jh --o OUT.bmp [--24|--c256|--c16] [--g] [--r90|--r180|--r270] [--h] [--v]
//   SRC -j --jq100 --o OUT.jpg --X{W} --Y{H}
// Throws UsageError on an unknown option, an option of the other form, a missing value
// or two choices of one kind.
[[nodiscard]] ConverterOptions parseConverterOptions(const std::vector<std::string>& args);

// Reads "WIDTHxHEIGHT" (the value of PVW32CON_FINAL_SIZE) into finalWidth and
// finalHeight; anything else leaves them 0.
void readFinalSize(const char* value, ConverterOptions& options);

}  // namespace velmora::tools
