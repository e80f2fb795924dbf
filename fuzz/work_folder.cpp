// SPDX-License-Identifier: GPL-3.0-or-later
#include <cstdlib>
#include <filesystem>
#include <string>

#include "fuzz/work_folder.h"

namespace velmora::fuzz {
namespace {

// Made on first use, removed with everything in it when the process ends.
struct Folder {
    std::string path;
    Folder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "velmora-fuzz-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) std::abort();
        path = pattern;
    }
    ~Folder() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
};

}  // namespace

const std::string& workFolder() {
    static const Folder folder;
    return folder.path;
}

}  // namespace velmora::fuzz
