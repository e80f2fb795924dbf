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
// A base that another user (not root) owns or can rename things in, on the
// way to it or through a link, is not used at all: the work goes to the
// private folder in /tmp then.
[[nodiscard]] std::string workFolderIn(const std::string& base);

// The work folder of one run of the program, kept from other Velmoras for as
// long as this lives (an advisory lock on the folder). When another Velmora
// holds the folder, the run gets a fresh private folder inside it, removed
// with its files at the end: no two runs share a work file.
class WorkFolderClaim {
  public:
    explicit WorkFolderClaim(const std::string& folder);
    ~WorkFolderClaim();
    WorkFolderClaim(const WorkFolderClaim&) = delete;
    WorkFolderClaim& operator=(const WorkFolderClaim&) = delete;

    [[nodiscard]] const std::string& path() const { return path_; }

  private:
    std::string path_;
    int lock_ = -1;
    bool fresh_ = false;
};

// The folder of the running executable.
[[nodiscard]] std::string executableDir();
[[nodiscard]] std::string currentDir();

}  // namespace velmora
