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
// holds the folder, the run gets a fresh private folder inside it
// (velmora-run-XXXXXX), locked while it lives and removed with its files at
// the end: no two runs share a work file. Such folders that runs which no
// longer live left behind (a killed run's) are removed on the way in; a
// live run's never are, its lock is held.
class WorkFolderClaim {
  public:
    explicit WorkFolderClaim(const std::string& folder);
    ~WorkFolderClaim();
    WorkFolderClaim(const WorkFolderClaim&) = delete;
    WorkFolderClaim& operator=(const WorkFolderClaim&) = delete;

    [[nodiscard]] const std::string& path() const { return path_; }
    // The folder in use, opened once when claimed; -1 when it could not be.
    [[nodiscard]] int descriptor() const { return dir_; }

  private:
    std::string path_;
    int dir_ = -1;     // the folder in use, its lock held while open
    int parent_ = -1;  // for a fresh folder: the folder it was made in
    std::string freshName_;
};

// The folder of the running executable.
[[nodiscard]] std::string executableDir();
[[nodiscard]] std::string currentDir();

}  // namespace velmora
