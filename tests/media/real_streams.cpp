#include "tests/media/real_streams.h"

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "tests/support/temp_dir.h"

namespace velmora::testing {
namespace {

std::string quoted(const std::string& path) {
    return "'" + path + "'";
}

std::string outputOf(const std::string& command) {
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
    if (!pipe) return {};
    std::string text;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe.get()) != nullptr) text += buffer;
    return text;
}

}  // namespace

bool runShell(const std::string& command) {
    return std::system(command.c_str()) == 0;
}

std::optional<std::vector<std::uint8_t>> mpeg2encStill(const std::string& folder, int width,
                                                       int height) {
    if (!runShell("command -v jpeg2yuv >/dev/null && command -v mpeg2enc >/dev/null")) return {};
    const std::string jpeg = folder + "/still.jpg";
    const std::string stream = folder + "/still.m2v";
    const std::string size = std::to_string(width) + "x" + std::to_string(height);
    if (!runShell("ffmpeg -v error -y -f lavfi -i testsrc=size=" + size + " -frames:v 1 " +
                  quoted(jpeg)))
        return {};
    if (!runShell("jpeg2yuv -Ip -L0 -n1 -v0 -f25 -j " + quoted(jpeg) +
                  " 2>/dev/null | mpeg2enc -f 3 -n p -b 7000 -r 16 -a 2 -v 0 -o " + quoted(stream)))
        return {};
    return readFile(stream);
}

std::optional<std::vector<std::uint8_t>> mpeg4ChunkData(const std::string& folder, int width,
                                                        int height) {
    const std::string stream = folder + "/still.m4v";
    const std::string size = std::to_string(width) + "x" + std::to_string(height);
    if (!runShell("ffmpeg -v error -y -f lavfi -i testsrc=size=" + size +
                  " -frames:v 1 -c:v mpeg4 -f m4v " + quoted(stream)))
        return {};
    const auto bytes = readFile(stream);
    for (std::size_t i = 0; i + 4 <= bytes.size(); ++i)
        if (bytes[i] == 0 && bytes[i + 1] == 0 && bytes[i + 2] == 1 && bytes[i + 3] == 0)
            return std::vector<std::uint8_t>(bytes.begin() + static_cast<std::ptrdiff_t>(i),
                                             bytes.end());
    return {};
}

DecodedSize decodeWithFfmpeg(const std::string& path) {
    DecodedSize size;
    const std::string probe = outputOf(
        "ffprobe -v error -select_streams v:0 -show_entries "
        "stream=width,height -of csv=p=0 " +
        quoted(path));
    if (std::sscanf(probe.c_str(), "%d,%d", &size.width, &size.height) != 2) return {};
    const std::string frame = path + ".gray";
    size.frameDecoded =
        runShell("ffmpeg -v error -y -i " + quoted(path) +
                 " -frames:v 1 -f rawvideo -pix_fmt gray " + quoted(frame)) &&
        readFile(frame).size() == static_cast<std::size_t>(size.width) * size.height;
    return size;
}

}  // namespace velmora::testing
