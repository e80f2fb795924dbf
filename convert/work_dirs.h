#pragma once

#include <optional>
#include <string>

namespace velmora {

// The tool folder: the current folder when it holds the tools, else the folder
// the build or install put them in, found from the executable's own folder.
[[nodiscard]] std::string chooseToolDir(const std::string& currentDir, const std::string& exeDir);

// The first executable file called name in the folders of PATH, as the shell
// would find it.
[[nodiscard]] std::optional<std::string> findOnPath(const std::string& name);

// The work folder: TMP as it stands, else TMPDIR, else /tmp (never the root).
[[nodiscard]] std::string chooseTempDir();

// The folder of the running executable.
[[nodiscard]] std::string executableDir();
[[nodiscard]] std::string currentDir();

}  // namespace velmora
