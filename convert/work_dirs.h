// SPDX-License-Identifier: GPL-3.0-or-later
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
// A folder others may write in (as /tmp) is not used directly: the work goes
// to the private folder inside it that workFolderIn gives.
[[nodiscard]] std::string chooseTempDir();

// base itself when only the user can write in it; otherwise base/velmora-UID,
// made with mode 0700 and checked to be the user's own folder (not a link),
// or when that name is taken by something else a fresh private folder beside
// it. base is returned unchanged when no private folder can be made there.
[[nodiscard]] std::string workFolderIn(const std::string& base);

// The folder of the running executable.
[[nodiscard]] std::string executableDir();
[[nodiscard]] std::string currentDir();

}  // namespace velmora
