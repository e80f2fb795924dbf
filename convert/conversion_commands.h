// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "catalogue/session.h"
#include "convert/conversion_work_files.h"
#include "convert/tool_command.h"

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

// The path of each program the batch lines run.
struct BatchPrograms {
    std::string jpeg2yuv;
    std::string yuvscaler;
    std::string mpeg2enc;
    std::string pixmend;
    std::string xvidEncraw;
};

// Every program in toolDir, as the build's tool folder holds them.
[[nodiscard]] BatchPrograms programsIn(const std::string& toolDir);

// The programs of a conversion: each one in toolDir when it lies there; the
// mjpegtools programs (jpeg2yuv, yuvscaler, mpeg2enc), which an installed
// Velmora does not carry, else from PATH.
[[nodiscard]] BatchPrograms findBatchPrograms(const std::string& toolDir);

// The batch line of one MPEG-2 try at this bitrate, writing the stream of
// the slot's files.
[[nodiscard]] std::vector<std::string> mpeg2BatchLines(const BatchPrograms& programs,
                                                       const std::string& tempDir, bool ntscTiming,
                                                       std::int32_t bitrate,
                                                       const TryFiles& files = tryFiles(0, true));

// The two batch lines of one MPEG-4 try at this quantizer.
[[nodiscard]] std::vector<std::string> mpeg4BatchLines(const BatchPrograms& programs,
                                                       const std::string& tempDir, bool ntscTiming,
                                                       std::int32_t quantizer, std::int32_t width,
                                                       std::int32_t height,
                                                       const TryFiles& files = tryFiles(0, false));

// The batch file's content: every line ended by a line feed alone (a carriage
// return would become part of the last argument).
[[nodiscard]] std::string batchFileText(const std::vector<std::string>& lines);

}  // namespace velmora
