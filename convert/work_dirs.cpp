#include "convert/work_dirs.h"

#include <unistd.h>

#include <climits>
#include <cstdlib>

#include "firmware/file_io.h"

namespace velmora {
namespace {

// One tool every conversion and preview needs; its presence marks a tool folder.
bool holdsTools(const std::string& dir) {
    return fileExists(joinPath(dir, "pvw32con"));
}

std::string parentOf(const std::string& dir) {
    const auto slash = dir.find_last_of('/');
    return slash == std::string::npos || slash == 0 ? "/" : dir.substr(0, slash);
}

}  // namespace

std::string chooseToolDir(const std::string& current, const std::string& exeDir) {
    for (const std::string& dir :
         {current, exeDir, joinPath(exeDir, "tools"), joinPath(parentOf(exeDir), "tools"),
          joinPath(parentOf(exeDir), "lib/velmora")}) {
        if (!dir.empty() && holdsTools(dir)) return dir;
    }
    return current;
}

std::string chooseTempDir() {
    for (const char* name : {"TMP", "TMPDIR"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') return value;
    }
    return "/tmp";
}

std::string executableDir() {
    char buffer[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0) return currentDir();
    return parentOf(std::string(buffer, static_cast<std::size_t>(n)));
}

std::string currentDir() {
    char buffer[PATH_MAX];
    return ::getcwd(buffer, sizeof buffer) != nullptr ? std::string(buffer) : std::string(".");
}

}  // namespace velmora
