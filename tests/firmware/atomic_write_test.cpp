// SPDX-License-Identifier: GPL-3.0-or-later
// The atomic write beside other users and programs: links, owners,
// attributes, durability, and every step through the seam.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "firmware/file_io.h"
#include "firmware/firmware_file_checks.h"
#include "firmware/io_error.h"
#include "tests/support/failing_file_system.h"
#include "tests/support/temp_dir.h"

namespace velmora {
namespace {

using testing::TempDir;

std::string attribute(const std::string& path, const char* name) {
    char value[256];
    const ssize_t n = ::getxattr(path.c_str(), name, value, sizeof value);
    return n < 0 ? std::string() : std::string(value, static_cast<std::size_t>(n));
}

TEST(AtomicWrite, ThroughASymbolicLinkTheFileItNamesChangesAndTheLinkStays) {
    TempDir dir;
    ASSERT_EQ(::mkdir(dir.file("real").c_str(), 0755), 0);
    const std::string target = dir.write("real/fw.bin", {9, 9});
    const std::string link = dir.file("fw.bin");
    ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0);
    const std::vector<std::uint8_t> next{1, 2, 3};
    writeFileAtomically(link, next);
    struct stat st {};
    ASSERT_EQ(::lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode)) << "the link was replaced by a file";
    EXPECT_EQ(testing::readFile(target), next);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.file("real")),
                            std::filesystem::directory_iterator()),
              1)
        << "no temporary file is left beside the target";
}

TEST(AtomicWrite, KeepsOwnerGroupModeAndExtendedAttributes) {
    TempDir dir;
    const std::string path = dir.write("fw.bin", {9, 9});
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown(path.c_str(), 4242, 4343), 0);
    }
    if (::setxattr(path.c_str(), "user.velmora.note", "kept", 4, 0) != 0)
        GTEST_SKIP() << "this file system holds no user attributes";
    const bool acl = std::system(("setfacl -m u:4444:r " + path + " 2>/dev/null").c_str()) == 0;
    const std::string aclBefore = attribute(path, "system.posix_acl_access");

    writeFileAtomically(path, std::vector<std::uint8_t>{1, 2, 3});
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    if (root) {
        EXPECT_EQ(st.st_uid, 4242u);
        EXPECT_EQ(st.st_gid, 4343u);
    }
    EXPECT_EQ(attribute(path, "user.velmora.note"), "kept");
    if (acl) {
        EXPECT_FALSE(aclBefore.empty());
        EXPECT_EQ(attribute(path, "system.posix_acl_access"), aclBefore) << "the ACL was lost";
    }
}

TEST(AtomicWrite, TheFolderIsFlushedAfterTheRename) {
    TempDir dir;
    const std::string path = dir.write("fw.bin", {9, 9});
    testing::FailingFileSystem counting(testing::FailingFileSystem::Step::Create, 99);
    writeFileAtomically(path, std::vector<std::uint8_t>{1}, counting);
    EXPECT_EQ(counting.folderFlushes, 1);
}

TEST(FirmwareFileChecks, AFileOf4GiBOrMoreIsRefusedWithTheReason) {
    TempDir dir;
    const std::string path = dir.file("huge.bin");
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    // Sparse: no disk space is used.
    ASSERT_EQ(::ftruncate(fd, (1LL << 32) + 512 * 1024 * 1024), 0);
    ::close(fd);
    const auto problem = firmwareFileProblem(path);
    ASSERT_TRUE(problem.has_value());
    EXPECT_NE(problem->find("32-bit"), std::string::npos) << *problem;
    ASSERT_EQ(::truncate(path.c_str(), (1LL << 32) - 1), 0);
    EXPECT_FALSE(firmwareFileProblem(path).has_value()) << "just under 4 GiB is still taken";
}

}  // namespace
}  // namespace velmora
