// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/mpeg2decode/decode_options.h"

#include "tools/common/tool_main.h"

namespace velmora::tools {

DecodeOptions parseDecodeOptions(const std::vector<std::string>& args) {
    DecodeOptions options;
    for (std::size_t next = 0; next < args.size();) {
        const std::string& arg = args[next++];
        auto value = [&]() -> const std::string& {
            if (next >= args.size()) throw UsageError("option " + arg + " needs a file name");
            return args[next++];
        };
        if (arg == "-b") {
            options.input = value();
        } else if (arg == "-f" || arg == "-r") {
            // The picture is always decoded whole and exactly.
        } else if (arg == "-o2") {
            options.outputBase = value();
        } else if (arg.starts_with("-o")) {
            throw UsageError("only -o2 (TGA output) is supported, not " + arg);
        } else {
            throw UsageError("unknown option \"" + arg + "\"");
        }
    }
    if (options.input.empty()) throw UsageError("the input stream (-b FILE) is missing");
    if (options.outputBase.empty()) throw UsageError("the output name (-o2 NAME) is missing");
    return options;
}

}  // namespace velmora::tools
