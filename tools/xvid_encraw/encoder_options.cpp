// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/xvid_encraw/encoder_options.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "tools/common/tool_main.h"

namespace velmora::tools {
namespace {

// MPEG-4 writes width and height in 13 bits; Xvid takes even sizes only.
constexpr long kMaxDimension = 8190;

class ArgumentReader {
  public:
    explicit ArgumentReader(const std::vector<std::string>& args) : args_(args) {}

    [[nodiscard]] bool done() const { return next_ >= args_.size(); }
    [[nodiscard]] const std::string& option() { return args_[next_++]; }
    [[nodiscard]] const std::string& valueOf(const std::string& option) {
        if (done()) throw UsageError("option " + option + " needs a value");
        return args_[next_++];
    }

  private:
    const std::vector<std::string>& args_;
    std::size_t next_ = 0;
};

[[nodiscard]] int dimension(const std::string& text, const std::string& option) {
    const long value = parseWholeNumber(text, "The value of " + option);
    if (value < 2 || value > kMaxDimension || value % 2 != 0) {
        throw UsageError("the value of " + option + " must be an even number from 2 to " +
                         std::to_string(kMaxDimension) + ", not " + text);
    }
    return static_cast<int>(value);
}

void requireGiven(bool given, const std::string& option, const std::string& what) {
    if (!given) throw UsageError("option " + option + " (" + what + ") is missing");
}

}  // namespace

EncoderOptions parseEncoderOptions(const std::vector<std::string>& args) {
    EncoderOptions options;
    bool haveQuantizer = false;
    ArgumentReader reader(args);
    while (!reader.done()) {
        const std::string& opt = reader.option();
        if (opt == "-i") {
            options.input = reader.valueOf(opt);
        } else if (opt == "-o") {
            options.output = reader.valueOf(opt);
        } else if (opt == "-type") {
            if (reader.valueOf(opt) != "0") {
                throw UsageError("only -type 0 (raw planar YUV 4:2:0 input) is supported");
            }
        } else if (opt == "-single") {
            // One pass at a fixed quantizer is the only thing this encoder does.
        } else if (opt == "-lumimasking") {
            options.lumiMasking = true;
        } else if (opt == "-cq") {
            const std::string& text = reader.valueOf(opt);
            const long q = parseWholeNumber(text, "The quantizer (-cq)");
            if (q < 1) throw UsageError("the quantizer (-cq) must be 1 or more, not " + text);
            // Past 31 the stream cannot get smaller; the caller's search may still ask.
            options.quantizer = static_cast<int>(std::min<long>(q, kMaxQuantizer));
            haveQuantizer = true;
        } else if (opt == "-w") {
            options.width = dimension(reader.valueOf(opt), opt);
        } else if (opt == "-h") {
            options.height = dimension(reader.valueOf(opt), opt);
        } else if (opt == "-framerate") {
            const std::string& text = reader.valueOf(opt);
            options.frameRate = parseDecimal(text, "The frame rate (-framerate)");
            if (!(options.frameRate >= 1.0 && options.frameRate <= 60.0)) {
                throw UsageError("the frame rate (-framerate) must lie between 1 and 60, not " +
                                 text);
            }
        } else if (opt == "-frames") {
            if (reader.valueOf(opt) != "1") {
                throw UsageError(
                    "only -frames 1 is supported: the encoder makes one-picture "
                    "streams");
            }
        } else if (opt == "-qtype") {
            const std::string& text = reader.valueOf(opt);
            if (text != "0" && text != "1") {
                throw UsageError("-qtype must be 0 (H.263) or 1 (MPEG), not " + text);
            }
            options.mpegQuantizer = text == "1";
        } else {
            throw UsageError("unknown option \"" + opt + "\"");
        }
    }
    requireGiven(!options.input.empty(), "-i", "the raw YUV 4:2:0 input file");
    requireGiven(!options.output.empty(), "-o", "the output stream file");
    requireGiven(haveQuantizer, "-cq", "the quantizer");
    requireGiven(options.width > 0, "-w", "the picture width");
    requireGiven(options.height > 0, "-h", "the picture height");
    return options;
}

FrameTiming frameTimingFor(double frameRate) {
    const double whole = std::round(frameRate);
    if (std::abs(frameRate - whole) < 0.0005) return {1, static_cast<int>(whole)};
    // The NTSC family: 29.97 is 30000/1001, 23.976 is 24000/1001.
    const double ntsc = std::round(frameRate * 1.001);
    if (std::abs(frameRate * 1.001 - ntsc) < 0.005) return {1001, static_cast<int>(ntsc) * 1000};
    return {1000, static_cast<int>(std::round(frameRate * 1000))};
}

}  // namespace velmora::tools
