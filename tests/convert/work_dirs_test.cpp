// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/work_dirs.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/temp_dir.h"

namespace velmora {
namespace {

// A folder holding the converter, which marks a tool folder.
void makeToolDir(const std::string& dir) {
    std::filesystem::create_directories(dir);
    testing::TempDir scratch;
    std::filesystem::copy_file(scratch.writeText("pvw32con", ""), dir + "/pvw32con");
}

TEST(ChooseToolDir, AnInstallationFindsItsHelpersFromItsOwnFolder) {
    testing::TempDir prefix;
    std::filesystem::create_directories(prefix.file("bin"));
    makeToolDir(prefix.file("libexec/velmora"));
    EXPECT_EQ(chooseToolDir(prefix.file("elsewhere"), prefix.file("bin")),
              prefix.file("libexec/velmora"));
}

TEST(ChooseToolDir, TheCurrentFolderComesFirst) {
    testing::TempDir prefix;
    makeToolDir(prefix.file("libexec/velmora"));
    makeToolDir(prefix.file("work"));
    EXPECT_EQ(chooseToolDir(prefix.file("work"), prefix.file("bin")), prefix.file("work"));
}

TEST(ChooseToolDir, TheBuildsToolFolderBeforeAnInstallation) {
    testing::TempDir prefix;
    makeToolDir(prefix.file("tools"));
    makeToolDir(prefix.file("libexec/velmora"));
    EXPECT_EQ(chooseToolDir(prefix.file("elsewhere"), prefix.file("bin")), prefix.file("tools"));
}

}  // namespace
}  // namespace velmora
