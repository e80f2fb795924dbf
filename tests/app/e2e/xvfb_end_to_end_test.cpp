// SPDX-License-Identifier: GPL-3.0-or-later
// The window end to end on a real X display: Xvfb, when it is installed.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/child_process.h"
#include "tests/support/temp_dir.h"

namespace velmora::testing {
namespace {

namespace fs = std::filesystem;

std::string findProgram(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::string dirs = path != nullptr ? path : "/usr/bin:/bin";
    std::size_t from = 0;
    while (from <= dirs.size()) {
        const std::size_t colon = std::min(dirs.find(':', from), dirs.size());
        const fs::path candidate = fs::path(dirs.substr(from, colon - from)) / name;
        if (::access(candidate.c_str(), X_OK) == 0) return candidate.string();
        from = colon + 1;
    }
    return {};
}

// An X server of its own, on the display number it chose.
class Xvfb {
  public:
    explicit Xvfb(const std::string& program) {
        int fds[2];
        if (::pipe(fds) != 0) return;
        pid_ = startProgram(
            {program, "-displayfd", "3", "-screen", "0", "1280x1024x24", "-nolisten", "tcp"}, {},
            false, fds[1]);
        ::close(fds[1]);
        char buffer[16] = {};
        const ssize_t n = pid_ > 0 ? ::read(fds[0], buffer, sizeof buffer - 1) : -1;
        ::close(fds[0]);
        if (n <= 0) return;
        // The server writes the number and a line feed. Put together in a plain
        // array: GCC 12 at -O3 takes any string built from these pieces for an overlap.
        char name[sizeof buffer + 1] = ":";
        for (ssize_t i = 0; i + 1 < n; ++i) name[i + 1] = buffer[i];
        display_ = name;
    }
    ~Xvfb() {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGTERM);
        int status = 0;
        ::waitpid(pid_, &status, 0);
    }
    Xvfb(const Xvfb&) = delete;
    Xvfb& operator=(const Xvfb&) = delete;
    [[nodiscard]] const std::string& display() const { return display_; }

  private:
    pid_t pid_ = -1;
    std::string display_;
};

// Runs the driver on the display; its exit status.
int runDriver(const std::string& display, const TempDir& dir, std::vector<std::string> args,
              const std::vector<std::string>& env) {
    args.insert(args.begin(), std::string(VELMORA_BIN_DIR) + "/velmora-window-e2e");
    std::vector<std::string> fullEnv = {"DISPLAY=" + display, "QT_QPA_PLATFORM=xcb",
                                        "XDG_CONFIG_HOME=" + dir.path(), "TMP=" + dir.path()};
    fullEnv.insert(fullEnv.end(), env.begin(), env.end());
    const pid_t pid = startProgram(args, fullEnv);
    if (pid <= 0) return -1;
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

class XvfbEndToEnd : public ::testing::Test {
  protected:
    void SetUp() override {
        const std::string xvfb = findProgram("Xvfb");
        if (xvfb.empty())
            GTEST_SKIP() << "Xvfb is not installed (scripts/install-deps.sh --with-extras "
                            "installs it)";
        server_ = std::make_unique<Xvfb>(xvfb);
        ASSERT_FALSE(server_->display().empty()) << "Xvfb did not start";
    }
    std::unique_ptr<Xvfb> server_;
    TempDir dir;
};

TEST_F(XvfbEndToEnd, DropReplaceCancelAndPhotograph) {
    EXPECT_EQ(runDriver(server_->display(), dir, {dir.file("run"), dir.file("window.png")}, {}), 0)
        << "see the driver's lines above";
    EXPECT_TRUE(fs::exists(dir.file("window.png")));
}

TEST_F(XvfbEndToEnd, ClosingDuringAReplacementWritesNothingWhileTheQuestionIsOpen) {
    EXPECT_EQ(runDriver(server_->display(), dir,
                        {dir.file("run"), dir.file("window.png"), "--close-race"}, {}),
              0)
        << "see the driver's lines above";
}

TEST_F(XvfbEndToEnd, WindowAndPreviewFit1280x1024AtScaleFactorTwo) {
    EXPECT_EQ(
        runDriver(server_->display(), dir, {dir.file("run"), dir.file("window.png"), "--fit-only"},
                  {"QT_SCALE_FACTOR=2"}),
        0)
        << "see the driver's lines above";
}

}  // namespace
}  // namespace velmora::testing
