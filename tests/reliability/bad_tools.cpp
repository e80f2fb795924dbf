// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/reliability/bad_tools.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace velmora::testing {
namespace {

constexpr const char* kTools[] = {"pvw32con", "jpeg2yuv",    "mpeg2enc",   "yuvscaler",
                                  "pixmend",  "xvid_encraw", "mpeg2decode"};

// The garbage goes where each tool's output belongs: after --o / -o, to
// standard output for the filters, to the name after -o2 plus ".tga" for the
// decoder. It holds no start code and no picture header.
constexpr const char* kGarbage =
    R"SH(garbage() { printf 'this is not a picture, not a stream: %s\n' "$0" "$0" "$0"; }
prev=
for a in "$@"; do
  case "$prev" in
    --o|-o) garbage >"$a" ;;
    -o2) garbage >"$a.tga" ;;
  esac
  prev=$a
done
case "$(basename "$0")" in
  jpeg2yuv|yuvscaler|pixmend) cat >/dev/null; garbage ;;
esac
exit 0
)SH";

std::string scriptFor(Misbehaviour how) {
    switch (how) {
        case Misbehaviour::Crashes:
            return "#!/bin/sh\nkill -SEGV $$\nsleep 5\n";
        case Misbehaviour::WritesGarbage:
            return std::string("#!/bin/sh\n") + kGarbage;
        case Misbehaviour::WritesNothing:
            return "#!/bin/sh\ncat >/dev/null 2>&1 </dev/null\nexit 0\n";
    }
    throw std::logic_error("unknown misbehaviour");
}

}  // namespace

const char* nameOf(Misbehaviour how) {
    switch (how) {
        case Misbehaviour::Crashes:
            return "crashes";
        case Misbehaviour::WritesGarbage:
            return "writes garbage";
        case Misbehaviour::WritesNothing:
            return "writes nothing";
    }
    return "?";
}

BadToolFolder::BadToolFolder(const std::string& folder, const std::string& tool, Misbehaviour how)
    : folder_(folder) {
    std::filesystem::create_directories(folder_);
    for (const char* name : kTools) {
        if (name == tool) continue;
        std::filesystem::create_symlink(std::string(VELMORA_TOOL_DIR) + "/" + name,
                                        folder_ + "/" + name);
    }
    const std::string script = folder_ + "/" + tool;
    std::ofstream out(script, std::ios::trunc);
    out << scriptFor(how);
    out.close();
    if (!out || ::chmod(script.c_str(), 0755) != 0)
        throw std::runtime_error("cannot write " + script);
}

bool haveRealTools() {
    for (const char* name : kTools)
        if (::access((std::string(VELMORA_TOOL_DIR) + "/" + name).c_str(), X_OK) != 0) return false;
    return true;
}

}  // namespace velmora::testing
