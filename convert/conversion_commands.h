#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "catalogue/session.h"
#include "convert/conversion_work_files.h"
#include "convert/run_and_wait.h"

namespace velmora {

// The environment variable through which the first converter run learns the
// size of the picture being replaced (WIDTHxHEIGHT, before any rotation).
inline constexpr const char* kPictureSizeHint = "PVW32CON_FINAL_SIZE";

// The converter run that applies the colour and orientation options:
// "{ToolDir}/pvw32con" "{source}" -w --jh --o "{TempDir}/$jpg_res.bmp" [options].
[[nodiscard]] ToolCommand prepareCommand(const std::string& toolDir, const std::string& source,
                                         const std::string& tempDir, const ReplaceOptions& options);

// The converter run that resizes the bitmap to the picture's size as a JPEG
// of quality 100.
[[nodiscard]] ToolCommand resizeCommand(const std::string& toolDir, const std::string& tempDir,
                                        std::int32_t width, std::int32_t height);

// A path as one word of a /bin/sh script: single-quoted, a ' inside written
// as '\'' (blanks, double quotes, $ and any other letter stay literal).
[[nodiscard]] std::string shellQuoted(const std::string& path);

// The batch line of one MPEG-2 try at this bitrate.
[[nodiscard]] std::vector<std::string> mpeg2BatchLines(const std::string& toolDir,
                                                       const std::string& tempDir, bool ntscTiming,
                                                       std::int32_t bitrate);

// The two batch lines of one MPEG-4 try at this quantizer.
[[nodiscard]] std::vector<std::string> mpeg4BatchLines(const std::string& toolDir,
                                                       const std::string& tempDir, bool ntscTiming,
                                                       std::int32_t quantizer, std::int32_t width,
                                                       std::int32_t height);

// The batch file's content: every line ended by a line feed alone (a carriage
// return would become part of the last argument).
[[nodiscard]] std::string batchFileText(const std::vector<std::string>& lines);

}  // namespace velmora
