#pragma once

#include <string>
#include <vector>

#include "catalogue/session.h"

namespace velmora {

// Splits a command line into arguments: blanks separate arguments outside
// double quotes; a double quote opens or closes a quoted part and is dropped.
[[nodiscard]] std::vector<std::string> splitCommandLine(const std::string& commandLine);

// Starts the program the command line names, without a shell, and waits for it
// to end. Returns false only when it could not be started; the exit status is
// not looked at (the callers judge a tool by the files it leaves).
bool RunAndWait(const std::string& commandLine);

// The text as the batch file must hold it (the script is UTF-8 here).
[[nodiscard]] std::string ToOem(const std::string& text);

// The decoder's command line: writes output + ".tga" from the MPEG-2 stream input.
[[nodiscard]] std::string mpeg2DecodeCommand(const std::string& toolDir, const std::string& input,
                                             const std::string& output);
bool RunMpeg2Decode(const Session& session, const std::string& input, const std::string& output);

}  // namespace velmora
