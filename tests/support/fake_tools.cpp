// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/support/fake_tools.h"

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace velmora::testing {
namespace {

// Records the call in one write (the tools of a pipe run at the same time),
// then finds the value after the option named in $1 of
// valueOf; the scripts use it to pick their file names and settings.
constexpr const char* kPrologue = R"SH(#!/bin/sh
here=$(dirname "$0")
line=$(basename "$0")
for a in "$@"; do line="$line [$a]"; done
printf '%s\n' "$line" >>"$here/calls.log"
valueOf() {
  want=$1; shift; prev=
  for a in "$@"; do
    if [ "$prev" = "$want" ]; then printf '%s' "$a"; return; fi
    prev=$a
  done
}
)SH";

}  // namespace

FakeTools::FakeTools(const std::string& folder, const std::string& streamSizeOfSetting)
    : folder_(folder) {
    std::filesystem::create_directories(folder_);
    // The converter copies its input to the file after --o; a missing input
    // leaves no output, as a real converter that fails.
    writeTool("pvw32con", R"SH(out=$(valueOf --o "$@")
[ -f "$1" ] || exit 1
cp "$1" "$out"
)SH");
    // Like the real one, it reads its input name as a format: %% stands for %.
    writeTool("jpeg2yuv", R"SH(in=$(valueOf -j "$@" | sed 's/%%/%/g')
[ -f "$in" ] || exit 1
cat "$in"
)SH");
    writeTool("yuvscaler", "cat\n");
    writeTool("pixmend", "cat\n");
    writeTool("mpeg2enc", R"SH([ -f "$here/delay" ] && sleep "$(cat "$here/delay")"
s=$(valueOf -b "$@")
out=$(valueOf -o "$@")
[ -n "$(cat)" ] || exit 1
head -c $(()SH" + streamSizeOfSetting +
                              R"SH()) /dev/zero >"$out"
)SH");
    writeTool("xvid_encraw", R"SH([ -f "$here/delay" ] && sleep "$(cat "$here/delay")"
s=$(valueOf -cq "$@")
in=$(valueOf -i "$@")
out=$(valueOf -o "$@")
[ -s "$in" ] || exit 1
head -c $((10 + ()SH" + streamSizeOfSetting +
                                 R"SH())) /dev/zero >"$out"
)SH");
}

void FakeTools::writeTool(const std::string& name, const std::string& body) const {
    const std::string path = folder_ + "/" + name;
    std::ofstream out(path, std::ios::trunc);
    out << kPrologue << body;
    out.close();
    if (!out || ::chmod(path.c_str(), 0755) != 0) throw std::runtime_error("cannot write " + path);
}

void FakeTools::slowEncoders(const std::string& seconds) const {
    std::ofstream(folder_ + "/delay", std::ios::trunc) << seconds;
}

std::vector<std::string> FakeTools::calls() const {
    std::vector<std::string> lines;
    std::ifstream in(folder_ + "/calls.log");
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::vector<int> FakeTools::encoderSettings() const {
    std::vector<int> settings;
    for (const auto& call : calls()) {
        for (const char* option : {"mpeg2enc ", "xvid_encraw "}) {
            if (call.rfind(option, 0) != 0) continue;
            const std::string marker = call.rfind("mpeg2enc", 0) == 0 ? "[-b] [" : "[-cq] [";
            const auto at = call.find(marker);
            if (at != std::string::npos)
                settings.push_back(std::stoi(call.substr(at + marker.size())));
        }
    }
    return settings;
}

}  // namespace velmora::testing
