#pragma once

#include <string>

namespace velmora {

// The tool folder: the current folder when it holds the tools, else the folder
// the build or install put them in, beside the executable.
[[nodiscard]] std::string chooseToolDir(const std::string& currentDir, const std::string& exeDir);

// The work folder: TMP as it stands, else TMPDIR, else /tmp (never the root).
[[nodiscard]] std::string chooseTempDir();

// The folder of the running executable.
[[nodiscard]] std::string executableDir();
[[nodiscard]] std::string currentDir();

}  // namespace velmora
