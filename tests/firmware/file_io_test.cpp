#include "firmware/file_io.h"

#include <sys/stat.h>

#include <unistd.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "firmware/io_error.h"
#include "tests/support/failing_file_system.h"
#include "tests/support/temp_dir.h"

namespace velmora {
namespace {

using testing::TempDir;

TEST(FileIo, ReadsAWholeFileNamedByItsFileName) {
    TempDir dir;
    const auto path = dir.write("dump.bin", {1, 2, 3});
    const ByteImage image = readImageFile(path);
    EXPECT_EQ(image.name(), "dump.bin");
    EXPECT_EQ(image.size(), 3);
}

TEST(FileIo, MissingFilesAndFoldersAreIoErrorsNamingTheFile) {
    TempDir dir;
    try {
        (void)readImageFile(dir.file("gone.bin"));
        FAIL();
    } catch (const IoError& e) {
        EXPECT_NE(std::string(e.what()).find("gone.bin"), std::string::npos);
    }
    EXPECT_THROW((void)readImageFile(dir.path()), IoError);
}

TEST(FileIo, AtomicWriteKeepsModeAndLeavesNoTemporaryFile) {
    TempDir dir;
    const auto path = dir.write("fw.bin", {9, 9});
    ::chmod(path.c_str(), 0640);
    const std::vector<std::uint8_t> next{1, 2, 3};
    writeFileAtomically(path, next);
    EXPECT_EQ(testing::readFile(path), next);
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_FALSE(fileExists(path + ".velmora-XXXXXX"));
}

TEST(FileIo, EveryInjectedCommitFailureLeavesTheOldContentAndNoLitter) {
    for (const auto step : testing::FailingFileSystem::kEverySteps) {
        TempDir dir;
        const auto path = dir.write("fw.bin", {9, 9});
        const std::vector<std::uint8_t> next{1, 2, 3};
        testing::FailingFileSystem failing(step);
        EXPECT_THROW(writeFileAtomically(path, next, failing), IoError);
        EXPECT_EQ(testing::readFile(path), (std::vector<std::uint8_t>{9, 9}));
        int entries = 0;
        for (auto it = std::filesystem::directory_iterator(dir.path());
             it != std::filesystem::directory_iterator(); ++it)
            ++entries;
        EXPECT_EQ(entries, 1) << "temporary file left behind";
    }
}

TEST(FileIo, UnwritableFolderIsAnIoError) {
    if (::geteuid() == 0) GTEST_SKIP() << "root writes everywhere; covered by injection";
    TempDir dir;
    const auto path = dir.write("fw.bin", {9});
    ::chmod(dir.path().c_str(), 0500);
    EXPECT_THROW(writeFileAtomically(path, std::vector<std::uint8_t>{1}), IoError);
}

}  // namespace
}  // namespace velmora
