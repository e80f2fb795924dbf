// SPDX-License-Identifier: GPL-3.0-or-later
// velmora-cli extract and tga, run as a script would run them.
#include <sys/wait.h>

#include <cstdio>
#include <memory>

#include <gtest/gtest.h>

#include "firmware/file_io.h"
#include "media/targa.h"
#include "tests/fixtures/fixture_streams.h"
#include "tests/media/synthetic_pictures.h"
#include "tests/support/temp_dir.h"

namespace velmora {
namespace {

using testing::TempDir;

struct CliRun {
    int exitCode = -1;
    std::string out;
};

CliRun runCli(const std::string& arguments, const std::string& tmp) {
    const std::string command = "TMP='" + tmp + "' '" + std::string(VELMORA_BIN_DIR) +
                                "/velmora-cli' " + arguments + " 2>&1";
    CliRun run;
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe.get()) != nullptr) run.out += buffer;
    const int status = ::pclose(pipe.release());
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

std::string q(const std::string& path) {
    return "'" + path + "'";
}

TEST(CliExtract, WrongUsageExitsWithTwo) {
    TempDir dir;
    const std::string fw = dir.write("fw.bin", std::vector<std::uint8_t>(4096, 0xFF));
    for (const std::string& args :
         {"extract " + q(fw), "extract " + q(fw) + " 1", "tga " + q(fw) + " one " + q(fw + ".out"),
          "extract " + q(fw) + " -1 x", "tga " + q(fw) + " 1 x --move",
          // no picture 1 in a firmware without pictures
          "extract " + q(fw) + " 1 " + q(dir.file("out.m2v")),
          "tga " + q(fw) + " 1 " + q(dir.file("out"))}) {
        SCOPED_TRACE(args);
        const CliRun run = runCli(args, dir.path());
        EXPECT_EQ(run.exitCode, 2) << run.out;
        EXPECT_NE(run.out.find("usage:"), std::string::npos) << run.out;
    }
    EXPECT_FALSE(fileExists(dir.file("out.m2v")));
}

// A firmware of erased flash holding one unfragmented MPEG-2 still.
class CliWithPicture : public ::testing::Test {
  protected:
    TempDir dir;
    std::string firmware;
    std::vector<std::uint8_t> stream;

    void SetUp() override {
        stream = fixtures::mpeg2Still(352, 288, false);
        const auto p = testing::fragmentedMpeg2(stream, 0x1000, 0, 0, 0x10000);
        firmware = dir.write("fw.bin", p.image);
        const CliRun analysis = runCli("analyze " + q(firmware), dir.path());
        if (analysis.out.find("MPEG2 Video") == std::string::npos)
            GTEST_SKIP() << "the analysis finds no picture yet";
    }
};

TEST_F(CliWithPicture, ExtractSavesTheStreamOfRowN) {
    const std::string out = dir.file("row1.m2v");
    const CliRun run = runCli("extract " + q(firmware) + " 1 " + q(out), dir.path());
    EXPECT_EQ(run.exitCode, 0) << run.out;
    EXPECT_NE(run.out.find("Original videostream #1 saved."), std::string::npos) << run.out;
    EXPECT_EQ(testing::readFile(out), stream);
    const CliRun beyond = runCli("extract " + q(firmware) + " 2 " + q(out + "2"), dir.path());
    EXPECT_EQ(beyond.exitCode, 2) << beyond.out;
}

TEST_F(CliWithPicture, TgaWritesOutputDotTgaOrFailsWithoutTheDecoder) {
    const std::string out = dir.file("row1");
    const CliRun missing =
        runCli("tga " + q(firmware) + " 1 " + q(out) + " --tool-dir " + q(dir.file("no-tools")),
               dir.path());
    EXPECT_EQ(missing.exitCode, 1) << missing.out;
    EXPECT_FALSE(fileExists(out + ".tga"));
    EXPECT_FALSE(fileExists(dir.file("$mpeg.m2v")));
    if (!fileExists(joinPath(VELMORA_TOOL_DIR, "mpeg2decode")))
        GTEST_SKIP() << "the mpeg2decode tool is not built";
    const CliRun run = runCli(
        "tga " + q(firmware) + " 1 " + q(out) + " --tool-dir " + q(VELMORA_TOOL_DIR), dir.path());
    EXPECT_EQ(run.exitCode, 0) << run.out;
    EXPECT_NE(run.out.find("Original TGA picture #1 saved."), std::string::npos) << run.out;
    TargaImage image;
    ASSERT_TRUE(LoadTarga(out + ".tga", image));
    EXPECT_EQ(image.Width, 352);
    EXPECT_EQ(image.Height, 288);
}

TEST_F(CliWithPicture, AnUnwritableOutputIsAnIoErrorExitingWithOne) {
    const CliRun run =
        runCli("extract " + q(firmware) + " 1 " + q(dir.file("no/such/folder/x.m2v")), dir.path());
    EXPECT_EQ(run.exitCode, 1) << run.out;
    EXPECT_NE(run.out.find("I/O error"), std::string::npos) << run.out;
}

}  // namespace
}  // namespace velmora
