// SPDX-License-Identifier: GPL-3.0-or-later
// What keeps the user's files safe, through velmora-cli with the real tools:
// a shared work folder cannot be turned against them.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "tests/cli/run_cli.h"
#include "tests/fixtures/standard_fixtures.h"
#include "tests/reliability/bad_tools.h"
#include "tests/support/temp_dir.h"

namespace velmora {
namespace {

using fixtures::Bytes;
using testing::readFile;
using testing::runCli;
using testing::TempDir;

// A folder every user may write in, as /tmp is.
std::string sharedFolder(const TempDir& dir) {
    const std::string shared = dir.file("shared");
    ::mkdir(shared.c_str(), 0777);
    ::chmod(shared.c_str(), 01777);
    return shared;
}

TEST(CliSharedWorkFolder, ALinkPlantedUnderAWorkFileNameIsNotFollowed) {
    if (!testing::haveRealTools()) GTEST_SKIP() << "the tools are not built in " VELMORA_TOOL_DIR;
    TempDir dir;
    const std::string shared = sharedFolder(dir);
    const std::string victim = dir.writeText("victim.txt", "someone else's file\n");
    for (const char* name : {"$mpeg.m2v", "$tga.tga", "$tmp.bin"})
        ASSERT_EQ(::symlink(victim.c_str(), (shared + "/" + name).c_str()), 0);
    const std::string fw = dir.write("fw.bin", fixtures::standardFirmware().image);

    const auto r = runCli({"tga", fw, "1", dir.file("saved")}, shared);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(readFile(victim), (Bytes{'s', 'o', 'm',  'e', 'o', 'n', 'e', ' ', 'e', 'l',
                                       's', 'e', '\'', 's', ' ', 'f', 'i', 'l', 'e', '\n'}));
    struct stat st {};
    const std::string own = shared + "/velmora-" + std::to_string(::geteuid());
    ASSERT_EQ(::lstat(own.c_str(), &st), 0) << "the work went to a private folder";
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_EQ(st.st_uid, ::geteuid());
}

}  // namespace
}  // namespace velmora
