// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "catalogue/session.h"
#include "convert/tool_command.h"
#include "convert/tool_run.h"

namespace velmora {

// The decoder's command: writes output + ".tga" from the MPEG-2 stream input.
[[nodiscard]] ToolCommand mpeg2DecodeToolCommand(const std::string& toolDir,
                                                 const std::string& input,
                                                 const std::string& output);
// Runs the decoder; a cancel or the time limit stops it (see runTool).
ToolRun RunMpeg2Decode(const WorkSettings& session, const std::string& input,
                       const std::string& output);

}  // namespace velmora
