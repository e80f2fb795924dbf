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

}  // namespace velmora::tools
