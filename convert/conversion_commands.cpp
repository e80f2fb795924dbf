#include "convert/conversion_commands.h"

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
std::string scriptPath(const std::string& dir, const std::string& name) {
    return shellQuoted(ToOem(joinPath(dir, name)));
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

std::string decodeToRawPart(const std::string& toolDir, const std::string& tempDir,
                            bool ntscTiming) {
    return scriptPath(toolDir, "jpeg2yuv") + " -Ip -L0 -n1 -v0" +
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

std::vector<std::string> mpeg2BatchLines(const std::string& toolDir, const std::string& tempDir,
                                         bool ntscTiming, std::int32_t bitrate) {
    return {decodeToRawPart(toolDir, tempDir, ntscTiming) + " | " +
            scriptPath(toolDir, "mpeg2enc") + " -f " + (ntscTiming ? "8 -n n" : "3 -n p") + " -b " +
            std::to_string(bitrate) + " -r 16 -a 2 -v 0 -o " + scriptPath(tempDir, kMpeg2Result)};
}

std::vector<std::string> mpeg4BatchLines(const std::string& toolDir, const std::string& tempDir,
                                         bool ntscTiming, std::int32_t quantizer,
                                         std::int32_t width, std::int32_t height) {
    const std::string rawPicture = scriptPath(tempDir, kRawPicture);
    return {decodeToRawPart(toolDir, tempDir, ntscTiming) + " | " +
                scriptPath(toolDir, "yuvscaler") + " -M NO_HEADER |" +
                scriptPath(toolDir, "pixmend") + " >" + rawPicture,
            scriptPath(toolDir, "xvid_encraw") + " -i " + rawPicture + " -type 0 -single -cq " +
                std::to_string(quantizer) + " -w " + std::to_string(width) + " -h " +
                std::to_string(height) + (ntscTiming ? " -framerate 29.97" : " -framerate 25") +
                " -frames 1 -lumimasking -qtype 0 -o " + scriptPath(tempDir, kMpeg4Result)};
}

std::string batchFileText(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& line : lines) text += line + "\n";
    return text;
}

}  // namespace velmora
