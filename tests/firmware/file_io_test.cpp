// SPDX-License-Identifier: GPL-3.0-or-later
#include "firmware/file_io.h"

#include <sys/stat.h>

#include <unistd.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "firmware/fingerprint.h"
#include "firmware/io_error.h"
#include "firmware/streamed_file_writer.h"
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

TEST(FileIo, FilesOfSeveralPiecesAreReadWholeAndFingerprintedAlike) {
    TempDir dir;
    std::vector<std::uint8_t> bytes(600001);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
    const ByteImage image = readImageFile(dir.write("big.bin", bytes));
    EXPECT_EQ(image.bytes(), bytes);
    Fingerprinter pieces;
    pieces.add(std::span(bytes).first(1));
    pieces.add(std::span(bytes).subspan(1, 262143));
    pieces.add(std::span(bytes).subspan(262144));
    EXPECT_EQ(pieces.digest(), fingerprint(bytes));
    bytes[300000] ^= 0x10;
    EXPECT_NE(fingerprint(bytes), pieces.digest());
}

TEST(FileIo, StreamedWriteAppearsOnlyWhenCommitted) {
    TempDir dir;
    const std::string path = dir.writeText("copy.bin", "old");
    {
        StreamedFileWriter file(path);
        file.append(std::vector<std::uint8_t>{1, 2, 3});
    }  // abandoned: the old content stays, no litter
    EXPECT_EQ(testing::readFile(path), (std::vector<std::uint8_t>{'o', 'l', 'd'}));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
    StreamedFileWriter file(path);
    file.append(std::vector<std::uint8_t>{1, 2});
    file.append(std::vector<std::uint8_t>{3});
    file.commit();
    EXPECT_EQ(testing::readFile(path), (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
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
