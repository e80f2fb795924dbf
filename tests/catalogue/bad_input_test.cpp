// SPDX-License-Identifier: GPL-3.0-or-later
#include <sys/stat.h>
#include <unistd.h>

#include <random>

#include <gtest/gtest.h>

#include "firmware/io_error.h"
#include "tests/catalogue/scan_fixture.h"

namespace velmora {
namespace {

using testing::Bytes;

// Either a normal analysis or one I/O failure naming the file; never anything else.
struct Analysis {
    bool ioError = false;
    std::string message;
    Session session;
};

Analysis analyse(const std::string& path, const std::string& tempDir) {
    Analysis o;
    o.session.TempDir = tempDir;
    testing::ScriptedDialogs ui;
    const Outcome analysed = analyzeFirmware(o.session, ui, path);
    EXPECT_TRUE(analysed.isDone() || analysed.is<IoFailure>());
    if (analysed.is<IoFailure>()) {
        o.ioError = true;
        o.message = analysed.get<IoFailure>().text;
    }
    return o;
}

TEST(BadFirmware, EmptyTinyFilesAndFoldersAreRefusedInWordsThePersonCanActOn) {
    testing::TempDir dir;
    const auto refusal = [&](const std::string& path) {
        Session session;
        session.TempDir = dir.path();
        testing::ScriptedDialogs ui;
        const Outcome analysed = analyzeFirmware(session, ui, path);
        EXPECT_FALSE(session.PicturesFound);
        return analysed.is<Refused>()
                   ? analysed.get<Refused>().caption + " " + analysed.get<Refused>().text
                   : std::string("not refused");
    };
    EXPECT_EQ(refusal(dir.write("empty.bin", {})),
              "ERROR! empty.bin is empty: it holds no firmware.");
    EXPECT_EQ(refusal(dir.write("one.bin", {0xFA})),
              "ERROR! one.bin is too small to be a firmware dump (1 bytes).");
    EXPECT_EQ(refusal(dir.write("eleven.bin", Bytes{0xFA, 0xA1, 1, 2, 3, 4, 5, 6, 7, 8, 9})),
              "ERROR! eleven.bin is too small to be a firmware dump (11 bytes).");
    const std::string folder = dir.file("folder.bin");
    ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
    EXPECT_EQ(refusal(folder), "ERROR! folder.bin is a folder, not a firmware file.");
    EXPECT_TRUE(analyse(dir.file("absent.bin"), dir.path()).ioError) << "the system says why";
}

TEST(BadFirmware, UnreadableFileIsAnIoError) {
    if (::geteuid() == 0) GTEST_SKIP() << "root reads every file";
    testing::TempDir dir;
    const auto path = dir.write("locked.bin", testing::fillerImage(0x1000));
    ::chmod(path.c_str(), 0);
    EXPECT_TRUE(analyse(path, dir.path()).ioError);
}

TEST(BadFirmware, RandomBytesOfEitherByteOrderNeverFailOtherwise) {
    testing::TempDir dir;
    std::mt19937 random(12345);
    for (int round = 0; round < 20; ++round) {
        Bytes bytes(1 + random() % 70000);
        for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
        if (round % 3 == 0 && bytes.size() > 1) bytes[0] = 0xA1, bytes[1] = 0xFA;
        if (round % 3 == 1 && bytes.size() > 1) bytes[0] = 0xFA, bytes[1] = 0xA1;
        const Analysis o = analyse(dir.write("random.bin", bytes), dir.path());
        if (o.ioError) {
            EXPECT_NE(o.message.find(".bin"), std::string::npos) << o.message;
        }
        EXPECT_LE(o.session.PictureCount, 16);
    }
}

TEST(BadFirmware, LargeFileOfZerosIsAnalysedWithoutPictures) {
    testing::TempDir dir;
    const Analysis o = analyse(dir.write("zeros.bin", Bytes(64u << 20, 0x00)), dir.path());
    EXPECT_FALSE(o.ioError);
    EXPECT_EQ(o.session.PictureCount, 0);
}

TEST(BadFirmware, ThousandsOfStrayStartCodesFinish) {
    testing::TempDir dir;
    Bytes bytes = testing::fillerImage(4u << 20);
    for (std::size_t at = 0x100; at + 8 < bytes.size(); at += 997) {
        const bool mpeg2 = (at / 997) % 2 == 0;
        testing::place(bytes, at,
                       mpeg2 ? Bytes{0, 0, 1, 0xB3, 0x2D, 0x02, 0x40, 0x23}
                             : Bytes{'0', '0', 'd', 'c', 0x10, 0x00, 0x00, 0x00});
    }
    const Analysis o = analyse(dir.write("stray.bin", bytes), dir.path());
    EXPECT_FALSE(o.ioError) << o.message;
    EXPECT_EQ(o.session.PictureCount, 0);
}

TEST(BadFirmware, FileIsNeverWritten) {
    testing::TempDir dir;
    Bytes bytes = testing::fillerImage(0x4000);
    testing::place(bytes, 0x1000, testing::mpeg2Stream(720, 576, 0x23, 100));
    const auto path = dir.write("fw.bin", bytes);
    (void)analyse(path, dir.path());
    EXPECT_EQ(testing::readFile(path), bytes);
}

}  // namespace
}  // namespace velmora
