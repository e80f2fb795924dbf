#include <cstdlib>
#include <filesystem>
#include <string>

#include "fuzz/null_dialogs.h"

namespace velmora::fuzz {

const std::string& workFolder() {
    static const std::string folder = [] {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "velmora-fuzz-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) std::abort();
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(workFolder(), ec);
        });
        return pattern;
    }();
    return folder;
}

}  // namespace velmora::fuzz
