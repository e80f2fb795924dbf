// SPDX-License-Identifier: GPL-3.0-or-later
#include "media/mpeg2_decoding.h"

#include "firmware/file_io.h"

namespace velmora {

ToolCommand mpeg2DecodeToolCommand(const std::string& toolDir, const std::string& input,
                                   const std::string& output) {
    ToolCommand command = toolCommand(joinPath(toolDir, "mpeg2decode"));
    command.words("-b").quoted(input).words("-f -r -o2").quoted(output);
    return command;
}

ToolRun RunMpeg2Decode(const WorkSettings& session, const std::string& input,
                       const std::string& output) {
    // The decoder writes OUTPUT.tga: one picture, never more than a tool may write.
    return runTool(mpeg2DecodeToolCommand(session.ToolDir, input, output), *session.Control,
                   OutputLimit{{output + ".tga"}, kLargestToolOutput});
}

}  // namespace velmora
