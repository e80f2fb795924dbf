// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/pvw32con/converter_options.h"

#include <cstdio>
#include <optional>

#include "tools/common/tool_main.h"

namespace velmora::tools {
namespace {

constexpr long kMaxDimension = 8191;

// One choice out of several exclusive options (colour depth, rotation), remembered
// with the option that made it so a second, different one can be named.
template <typename T>
class ExclusiveChoice {
  public:
    explicit ExclusiveChoice(std::string group) : group_(std::move(group)) {}

    void choose(const std::string& option, T value) {
        if (option_ && *option_ != option) {
            throw UsageError("choose only one " + group_ + ", not both " + *option_ + " and " +
                             option);
        }
        option_ = option;
        value_ = value;
    }
    [[nodiscard]] std::optional<T> value() const {
        return option_ ? std::optional<T>(value_) : std::nullopt;
    }

  private:
    std::string group_;
    std::optional<std::string> option_;
    T value_{};
};

[[nodiscard]] int numberAfter(const std::string& arg, std::size_t prefix, long low, long high,
                              const std::string& what) {
    const std::string text = arg.substr(prefix);
    const long value = parseWholeNumber(text, what + " (" + arg + ")");
    if (value < low || value > high) {
        throw UsageError(what + " must lie between " + std::to_string(low) + " and " +
                         std::to_string(high) + ", not " + text);
    }
    return static_cast<int>(value);
}

// What was on the command line, before the two forms are told apart.
struct RawOptions {
    std::optional<ConverterMode> mode;
    std::vector<std::string> bitmapOnly;  // options that belong to -w
    std::vector<std::string> jpegOnly;    // options that belong to -j
    ExclusiveChoice<ColourDepth> colours{"colour depth (--24, --c256, --c16)"};
    ExclusiveChoice<int> rotation{"rotation (--r90, --r180, --r270)"};
    std::optional<int> quality;
    std::optional<int> width;
    std::optional<int> height;
    std::optional<std::string> output;
    std::optional<std::string> source;
};

void setMode(RawOptions& raw, ConverterMode mode) {
    if (raw.mode && *raw.mode != mode) {
        throw UsageError("-w (write BMP) and -j (write JPEG) exclude each other");
    }
    raw.mode = mode;
}

void readOne(RawOptions& raw, ConverterOptions& options, const std::vector<std::string>& args,
             std::size_t& next) {
    const std::string& arg = args[next++];
    if (arg == "-w") {
        setMode(raw, ConverterMode::Bitmap);
    } else if (arg == "-j") {
        setMode(raw, ConverterMode::Jpeg);
    } else if (arg == "--jh") {
        // Asked for together with -w; the BMP is always written the same way.
    } else if (arg == "--o") {
        if (next >= args.size()) throw UsageError("option --o needs the output file name");
        raw.output = args[next++];
    } else if (arg == "--24") {
        raw.colours.choose(arg, ColourDepth::TrueColour);
        raw.bitmapOnly.push_back(arg);
    } else if (arg == "--c256") {
        raw.colours.choose(arg, ColourDepth::Colours256);
        raw.bitmapOnly.push_back(arg);
    } else if (arg == "--c16") {
        raw.colours.choose(arg, ColourDepth::Colours16);
        raw.bitmapOnly.push_back(arg);
    } else if (arg == "--r90" || arg == "--r180" || arg == "--r270") {
        raw.rotation.choose(arg, arg == "--r90" ? 90 : arg == "--r180" ? 180 : 270);
        raw.bitmapOnly.push_back(arg);
    } else if (arg == "--g") {
        options.greyscale = true;
        raw.bitmapOnly.push_back(arg);
    } else if (arg == "--h") {
        options.mirrorHorizontal = true;
        raw.bitmapOnly.push_back(arg);
    } else if (arg == "--v") {
        options.mirrorVertical = true;
        raw.bitmapOnly.push_back(arg);
    } else if (arg.starts_with("--jq")) {
        raw.quality = numberAfter(arg, 4, 1, 100, "The JPEG quality");
        raw.jpegOnly.push_back(arg);
    } else if (arg.starts_with("--X")) {
        raw.width = numberAfter(arg, 3, 1, kMaxDimension, "The width");
        raw.jpegOnly.push_back(arg);
    } else if (arg.starts_with("--Y")) {
        raw.height = numberAfter(arg, 3, 1, kMaxDimension, "The height");
        raw.jpegOnly.push_back(arg);
    } else if (arg.starts_with("-") && arg.size() > 1) {
        throw UsageError("unknown option \"" + arg + "\"");
    } else {
        if (raw.source) {
            throw UsageError("one source picture only, but got \"" + *raw.source + "\" and \"" +
                             arg + "\"");
        }
        raw.source = arg;
    }
}

}  // namespace

ConverterOptions parseConverterOptions(const std::vector<std::string>& args) {
    ConverterOptions options;
    RawOptions raw;
    for (std::size_t next = 0; next < args.size();) readOne(raw, options, args, next);

    if (!raw.source) throw UsageError("the source picture is missing");
    if (!raw.mode) throw UsageError("give -w (write BMP) or -j (write JPEG)");
    if (!raw.output) throw UsageError("the output file (--o FILE) is missing");
    options.mode = *raw.mode;
    options.source = *raw.source;
    options.output = *raw.output;
    if (options.mode == ConverterMode::Bitmap) {
        if (!raw.jpegOnly.empty()) {
            throw UsageError("option " + raw.jpegOnly.front() + " belongs with -j, not -w");
        }
        options.colours = raw.colours.value().value_or(ColourDepth::TrueColour);
        options.rotation = raw.rotation.value().value_or(0);
    } else {
        if (!raw.bitmapOnly.empty()) {
            throw UsageError("option " + raw.bitmapOnly.front() + " belongs with -w, not -j");
        }
        if (!raw.width || !raw.height) {
            throw UsageError("-j needs the picture size as --X{width} --Y{height}");
        }
        options.width = *raw.width;
        options.height = *raw.height;
        options.quality = raw.quality.value_or(100);
    }
    return options;
}

void readFinalSize(const char* value, ConverterOptions& options) {
    if (value == nullptr) return;
    int width = 0;
    int height = 0;
    char end = 0;
    if (std::sscanf(value, "%dx%d%c", &width, &height, &end) != 2) return;
    if (width <= 0 || height <= 0 || width > 65535 || height > 65535) return;
    options.finalWidth = width;
    options.finalHeight = height;
}

}  // namespace velmora::tools
