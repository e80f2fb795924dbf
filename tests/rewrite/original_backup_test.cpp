// SPDX-License-Identifier: GPL-3.0-or-later
#include "rewrite/original_backup.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "firmware/firmware_file_checks.h"
#include "tests/support/temp_dir.h"

namespace velmora {
namespace {

using Bytes = std::vector<std::uint8_t>;
using testing::readFile;
using testing::TempDir;

TEST(OriginalBackup, KeepsTheFirstOriginalWithItsModeAndNeverOverwritesIt) {
    TempDir dir;
    const std::string fw = dir.write("dump.bin", Bytes{1, 2, 3, 4});
    ASSERT_EQ(::chmod(fw.c_str(), 0640), 0);
    EXPECT_EQ(backupPathOf(fw), fw + ".orig");
    EXPECT_EQ(keepOriginal(fw, Bytes{1, 2, 3, 4}).result, BackupResult::Kept);
    EXPECT_EQ(readFile(fw + ".orig"), (Bytes{1, 2, 3, 4}));
    struct stat st {};
    ASSERT_EQ(::stat((fw + ".orig").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);

    EXPECT_EQ(keepOriginal(fw, Bytes{9, 9}).result, BackupResult::AlreadyKept);
    EXPECT_EQ(readFile(fw + ".orig"), (Bytes{1, 2, 3, 4})) << "the first original stays";
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path()))
        ++entries;
    EXPECT_EQ(entries, 2u) << "no temporary file is left";
}

TEST(OriginalBackup, AFolderThatCannotTakeItIsAFailureWithItsCause) {
    TempDir dir;
    // No one, not even root, can create a file under a regular file.
    const std::string blocker = dir.write("blocker", Bytes{0});
    const BackupAttempt attempt = keepOriginal(blocker + "/dump.bin", Bytes{1});
    EXPECT_EQ(attempt.result, BackupResult::Failed);
    EXPECT_FALSE(attempt.cause.empty());
}

TEST(FirmwareFileChecks, EmptyTooSmallAndFolderAreSaidPlainly) {
    TempDir dir;
    EXPECT_EQ(firmwareFileProblem(dir.write("empty.bin", {})),
              "empty.bin is empty: it holds no firmware.");
    EXPECT_EQ(firmwareFileProblem(dir.write("eleven.bin", Bytes(11, 0xFA))),
              "eleven.bin is too small to be a firmware dump (11 bytes).");
    const std::string folder = dir.file("folder.bin");
    ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
    EXPECT_EQ(firmwareFileProblem(folder), "folder.bin is a folder, not a firmware file.");
    EXPECT_FALSE(firmwareFileProblem(dir.write("ok.bin", Bytes(16, 0xFA))));
    EXPECT_FALSE(firmwareFileProblem(dir.file("absent.bin"))) << "reported when it is read";
}

TEST(FirmwareFileChecks, AFileWithoutTheOwnerWriteBitIsReadOnlyEvenForRoot) {
    TempDir dir;
    const std::string fw = dir.write("dump.bin", Bytes(32, 0));
    EXPECT_FALSE(readOnlyProblem(fw));
    ASSERT_EQ(::chmod(fw.c_str(), 0444), 0);
    const auto problem = readOnlyProblem(fw);
    ASSERT_TRUE(problem);
    EXPECT_NE(problem->find("dump.bin is read-only"), std::string::npos) << *problem;
}

}  // namespace
}  // namespace velmora
