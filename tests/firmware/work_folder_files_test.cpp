// SPDX-License-Identifier: GPL-3.0-or-later
// Work files relative to the work folder as opened: a folder put in its place
// under the same name is neither written, read nor trusted.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "firmware/io_error.h"
#include "firmware/work_folder_files.h"
#include "tests/support/temp_dir.h"

namespace velmora {
namespace {

using testing::readFile;
using testing::TempDir;

const std::vector<std::uint8_t> kOurs = {'o', 'u', 'r', 's'};

TEST(WorkFolderFiles, AFolderSwappedInUnderTheNameIsNeitherWrittenNorRead) {
    TempDir dir;
    const std::string work = dir.file("work");
    ASSERT_EQ(::mkdir(work.c_str(), 0700), 0);
    const int folder = ::open(work.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(folder, 0);
    EXPECT_NO_THROW(requireFolderInPlace(folder, work));

    ASSERT_EQ(::rename(work.c_str(), dir.file("moved").c_str()), 0);
    ASSERT_EQ(::mkdir(work.c_str(), 0700), 0);
    const std::string planted = dir.writeText("work/$stream.m2v", "theirs");
    EXPECT_THROW(requireFolderInPlace(folder, work), IoError);

    const WorkFileRead read = readWorkFileIn(folder, planted, 1 << 20);
    EXPECT_FALSE(read.exists) << "the planted stream was read";
    {
        const FileDescriptor written = writeWorkFileIn(folder, work + "/$convert.bat", kOurs);
        EXPECT_FALSE(::access((work + "/$convert.bat").c_str(), F_OK) == 0);
        EXPECT_EQ(readFile(dir.file("moved/$convert.bat")), kOurs);
        // What was written stays readable through the descriptor, whatever
        // takes its name afterwards.
        ASSERT_EQ(::unlink(dir.file("moved/$convert.bat").c_str()), 0);
        static_cast<void>(dir.writeText("moved/$convert.bat", "theirs"));
        std::vector<std::uint8_t> through(16);
        const ssize_t n = ::pread(written.get(), through.data(), through.size(), 0);
        ASSERT_EQ(n, 4);
        through.resize(4);
        EXPECT_EQ(through, kOurs);
    }
    EXPECT_TRUE(readWorkFileIn(folder, work + "/$convert.bat", 1 << 20).exists);
    EXPECT_TRUE(readWorkFileIn(folder, work + "/$convert.bat", 3).tooLarge);
    ::close(folder);
}

TEST(WorkFolderFiles, ALinkUnderAWorkFileNameIsNeitherFollowedNorRead) {
    TempDir dir;
    const std::string target = dir.writeText("target", "secret");
    const int folder = ::open(dir.path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(folder, 0);
    ASSERT_EQ(::symlink(target.c_str(), dir.file("$jpg_res.m2v").c_str()), 0);
    EXPECT_THROW((void)readWorkFileIn(folder, dir.file("$jpg_res.m2v"), 1 << 20), IoError);
    static_cast<void>(writeWorkFileIn(folder, dir.file("$jpg_res.m2v"), kOurs));
    EXPECT_EQ(readFile(target), std::vector<std::uint8_t>({'s', 'e', 'c', 'r', 'e', 't'}));
    EXPECT_EQ(readFile(dir.file("$jpg_res.m2v")), kOurs);
    ::close(folder);
}

}  // namespace
}  // namespace velmora
