#include "convert/work_dirs.h"

#include <unistd.h>

#include <sys/stat.h>

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

// dir joined with a relative path whose leading "../" steps are taken at once,
// so the tool folder shows in logs and commands without them.
std::string joinRelative(std::string dir, std::string relative) {
    while (relative.rfind("../", 0) == 0) {
        dir = parentOf(dir);
        relative.erase(0, 3);
    }
    return joinPath(dir, relative);
}

bool isExecutableFile(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

}  // namespace

std::string chooseToolDir(const std::string& current, const std::string& exeDir) {
    for (const std::string& dir :
         {current, exeDir, joinPath(exeDir, "tools"), joinPath(parentOf(exeDir), "tools"),
          joinPath(parentOf(exeDir), "lib/velmora"),
          joinRelative(exeDir, VELMORA_INSTALLED_TOOL_DIR)}) {
        if (!dir.empty() && holdsTools(dir)) return dir;
    }
    return current;
}

std::optional<std::string> findOnPath(const std::string& name) {
    const char* path = std::getenv("PATH");
    if (path == nullptr) return std::nullopt;
    const std::string dirs = path;
    for (std::size_t from = 0; from <= dirs.size();) {
        std::size_t colon = dirs.find(':', from);
        if (colon == std::string::npos) colon = dirs.size();
        std::string dir = dirs.substr(from, colon - from);
        // An empty or relative entry names a folder below the current one.
        if (dir.empty() || dir[0] != '/') dir = joinPath(currentDir(), dir.empty() ? "." : dir);
        const std::string candidate = joinPath(dir, name);
        if (isExecutableFile(candidate)) return candidate;
        from = colon + 1;
    }
    return std::nullopt;
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
