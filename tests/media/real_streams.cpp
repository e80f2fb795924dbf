// SPDX-License-Identifier: GPL-3.0-or-later
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

std::vector<std::uint8_t> decodeToBgr(const std::string& path) {
    const std::string frame = path + ".bgr";
    if (!runShell("ffmpeg -v error -y -i " + quoted(path) +
                  " -frames:v 1 -f rawvideo -pix_fmt bgr24 " + quoted(frame)))
        return {};
    return readFile(frame);
}

double meanAbsoluteDifference(const std::vector<std::uint8_t>& a,
                              const std::vector<std::uint8_t>& b) {
    if (a.size() != b.size() || a.empty()) return 255.0;
    double sum = 0;
    for (std::size_t i = 0; i < a.size(); ++i) sum += std::abs(int{a[i]} - int{b[i]});
    return sum / static_cast<double>(a.size());
}

}  // namespace velmora::testing
