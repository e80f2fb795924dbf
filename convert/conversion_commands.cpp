// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/conversion_commands.h"

#include "convert/work_dirs.h"
#include "firmware/file_io.h"

namespace velmora {
namespace {

std::string colorOption(ColorMode colors) {
    switch (colors) {
        case ColorMode::Colors24:
            return "--24";
        case ColorMode::Colors256:
            return "--c256";
        case ColorMode::Colors16:
            return "--c16";
    }
    return {};
}

std::string rotationOption(Rotation rotation) {
    switch (rotation) {
        case Rotation::None:
            return {};
        case Rotation::Rotate90:
            return "--r90";
        case Rotation::Rotate180:
            return "--r180";
        case Rotation::Rotate270:
            return "--r270";
    }
    return {};
}

// A path in the batch file: converted for the script, then quoted.
std::string scriptPath(const std::string& path) {
    return shellQuoted(ToOem(path));
}

std::string scriptPath(const std::string& dir, const std::string& name) {
    return scriptPath(joinPath(dir, name));
}

std::string besideOrOnPath(const std::string& toolDir, const std::string& name) {
    const std::string beside = joinPath(toolDir, name);
    if (fileExists(beside)) return beside;
    // Not found anywhere: the batch names the tool folder's one, and its
    // failure is reported as for any tool that does not run.
    return findOnPath(name).value_or(beside);
}

// jpeg2yuv reads the name after -j as a printf format of the frame number,
// so a % in the work folder's name must be doubled to stand for itself.
std::string asFrameNameFormat(const std::string& path) {
    std::string format;
    for (char c : path) {
        format += c;
        if (c == '%') format += '%';
    }
    return format;
}

std::string decodeToRawPart(const BatchPrograms& programs, const std::string& tempDir,
                            bool ntscTiming) {
    return scriptPath(programs.jpeg2yuv) + " -Ip -L0 -n1 -v0" +
           (ntscTiming ? " -f29.97" : " -f25") + " -j " +
           shellQuoted(asFrameNameFormat(ToOem(joinPath(tempDir, kResizedJpeg))));
}

}  // namespace

ToolCommand prepareCommand(const std::string& toolDir, const std::string& source,
                           const std::string& tempDir, const ReplaceOptions& options) {
    ToolCommand command = toolCommand(joinPath(toolDir, "pvw32con"));
    command.quoted(pathArgument(source))
        .words("-w --jh --o")
        .quoted(joinPath(tempDir, kPreparedBitmap));
    command.words(colorOption(options.Colors));
    if (options.Greyscale) command.words("--g");
    command.words(rotationOption(options.Orientation));
    if (options.HMirror) command.words("--h");
    if (options.VMirror) command.words("--v");
    return command;
}

ToolCommand resizeCommand(const std::string& toolDir, const std::string& tempDir,
                          std::int32_t width, std::int32_t height) {
    ToolCommand command = toolCommand(joinPath(toolDir, "pvw32con"));
    command.quoted(pathArgument(joinPath(tempDir, kPreparedBitmap)))
        .words("-j --jq100 --o")
        .quoted(joinPath(tempDir, kResizedJpeg))
        .words("--X" + std::to_string(width) + " --Y" + std::to_string(height));
    return command;
}

std::string shellQuoted(const std::string& path) {
    std::string quoted = "'";
    for (char c : path) {
        if (c == '\'') {
            quoted += "'\\''";
        } else {
            quoted += c;
        }
    }
    return quoted + "'";
}

BatchPrograms programsIn(const std::string& toolDir) {
    return {joinPath(toolDir, "jpeg2yuv"), joinPath(toolDir, "yuvscaler"),
            joinPath(toolDir, "mpeg2enc"), joinPath(toolDir, "pixmend"),
            joinPath(toolDir, "xvid_encraw")};
}

BatchPrograms findBatchPrograms(const std::string& toolDir) {
    BatchPrograms programs = programsIn(toolDir);
    programs.jpeg2yuv = besideOrOnPath(toolDir, "jpeg2yuv");
    programs.yuvscaler = besideOrOnPath(toolDir, "yuvscaler");
    programs.mpeg2enc = besideOrOnPath(toolDir, "mpeg2enc");
    return programs;
}

std::vector<std::string> mpeg2BatchLines(const BatchPrograms& programs, const std::string& tempDir,
                                         bool ntscTiming, std::int32_t bitrate,
                                         const TryFiles& files) {
    return {decodeToRawPart(programs, tempDir, ntscTiming) + " | " + scriptPath(programs.mpeg2enc) +
            " -f " + (ntscTiming ? "8 -n n" : "3 -n p") + " -b " + std::to_string(bitrate) +
            " -r 16 -a 2 -v 0 -o " + scriptPath(tempDir, files.stream)};
}

std::vector<std::string> mpeg4BatchLines(const BatchPrograms& programs, const std::string& tempDir,
                                         bool ntscTiming, std::int32_t quantizer,
                                         std::int32_t width, std::int32_t height,
                                         const TryFiles& files) {
    const std::string rawPicture = scriptPath(tempDir, files.rawPicture);
    return {decodeToRawPart(programs, tempDir, ntscTiming) + " | " +
                scriptPath(programs.yuvscaler) + " -M NO_HEADER |" + scriptPath(programs.pixmend) +
                " >" + rawPicture,
            scriptPath(programs.xvidEncraw) + " -i " + rawPicture + " -type 0 -single -cq " +
                std::to_string(quantizer) + " -w " + std::to_string(width) + " -h " +
                std::to_string(height) + (ntscTiming ? " -framerate 29.97" : " -framerate 25") +
                " -frames 1 -lumimasking -qtype 0 -o " + scriptPath(tempDir, files.stream)};
}

std::string batchFileText(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& line : lines) text += line + "\n";
    return text;
}

}  // namespace velmora
