// SPDX-License-Identifier: GPL-3.0-or-later
// The same bad inputs through velmora-cli: one clear message on standard
// error, exit code 1, and the firmware and its working copy untouched; odd
// characters in paths reach the files and the tools whole.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/cli/run_cli.h"
#include "tests/fixtures/fixture_streams.h"
#include "tests/fixtures/standard_fixtures.h"
#include "tests/reliability/bad_tools.h"
#include "tests/support/temp_dir.h"

namespace velmora {
namespace {

using fixtures::Bytes;
using testing::BadToolFolder;
using testing::linesOf;
using testing::Misbehaviour;
using testing::readFile;
using testing::runCli;
using testing::TempDir;

const Bytes& swappedStandard() {
    static const Bytes image = fixtures::byteSwapped(fixtures::standardFirmware().image);
    return image;
}

TEST(CliBadTools, AJpegReplacementWithABadToolExitsOneWithOneMessage) {
    if (!testing::haveRealTools()) GTEST_SKIP() << "the tools are not built in " VELMORA_TOOL_DIR;
    struct Case {
        const char* tool;  // nullptr: the tool folder does not exist
        Misbehaviour how;
        const char* row;
        const char* message;
    };
    const Case cases[] = {
        {"mpeg2enc", Misbehaviour::Crashes, "1", "Error!: Error with target file creation!"},
        {"mpeg2enc", Misbehaviour::WritesGarbage, "1",
         "ERROR!: The file do not contain any video!"},
        {"xvid_encraw", Misbehaviour::Crashes, "3", "Error!: Error with target file creation!"},
        {"xvid_encraw", Misbehaviour::WritesGarbage, "3",
         "ERROR!: The file do not contain any video!"},
        {nullptr, Misbehaviour::WritesNothing, "1", "Error!: Error with target file creation!"},
    };
    const std::string photo = fixtures::photoJpeg(640, 480);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.tool ? c.tool : "no tool folder") + " " +
                     testing::nameOf(c.how));
        TempDir dir;
        TempDir work;
        const std::string firmware = dir.write("dump.bin", swappedStandard());
        const std::string tools =
            c.tool ? BadToolFolder(dir.file("tools"), c.tool, c.how).path() : dir.file("none");
        const auto r =
            runCli({"replace", firmware, c.row, photo, "--tool-dir", tools, "--encoder", "tools"},
                   work.path());
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(linesOf(r.err), std::vector<std::string>{c.message}) << r.err;
        EXPECT_EQ(readFile(firmware), swappedStandard());
        // The work copy goes when the command line ends, as when the window closes.
        EXPECT_FALSE(std::filesystem::exists(work.file("$tmp.bin")));
    }
}

TEST(CliBadWorkFolder, AnalysisAndJpegReplacementExitOneWithAnIoError) {
    TempDir dir;
    const std::string swapped = dir.write("swapped.bin", swappedStandard());
    const std::string plain = dir.write("plain.bin", fixtures::standardFirmware().image);
    const std::string file = dir.writeText("a file", "not a folder");
    for (const std::string& tmp : {dir.file("no such folder"), file + "/sub"}) {
        SCOPED_TRACE(tmp);
        const auto analysis = runCli({"analyze", swapped}, tmp);
        EXPECT_EQ(analysis.exitCode, 1);
        ASSERT_EQ(linesOf(analysis.err).size(), 1u) << analysis.err;
        EXPECT_EQ(analysis.err.rfind("I/O error: ", 0), 0u) << analysis.err;
        EXPECT_NE(analysis.err.find(tmp), std::string::npos) << analysis.err;

        const auto replace = runCli(
            {"replace", plain, "1", fixtures::photoJpeg(64, 48), "--tool-dir", VELMORA_TOOL_DIR},
            tmp);
        EXPECT_EQ(replace.exitCode, 1);
        ASSERT_EQ(linesOf(replace.err).size(), 1u) << replace.err;
        EXPECT_EQ(replace.err.rfind("I/O error: ", 0), 0u) << replace.err;
        EXPECT_FALSE(std::filesystem::exists(tmp));
    }
    EXPECT_EQ(readFile(swapped), swappedStandard());
    EXPECT_EQ(readFile(plain), fixtures::standardFirmware().image);
}

TEST(CliBadJpeg, ACorruptedJpegIsRefusedAndNothingIsWritten) {
    TempDir dir;
    const std::string firmware = dir.write("plain.bin", fixtures::standardFirmware().image);
    const std::string broken = dir.write("broken.jpg", Bytes{0xFF, 0xD8, 0xFF, 0xE0, 0x00});
    const auto r = runCli({"replace", firmware, "1", broken}, dir.path());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(linesOf(r.err), std::vector<std::string>{"ERROR!: JPEG file corrupted!"}) << r.err;
    EXPECT_EQ(readFile(firmware), fixtures::standardFirmware().image);
}

// Folder and file names no shell or argument parser may split or expand.
const std::vector<std::string> kOddNames = {
    "with blanks  inside", "double\"quote",  "single'quote", "dollar$HOME$(id)",
    "per%cent%TMP%",       "Grüße-ÆØÅ-日本", "`back`tick;&|"};

TEST(CliOddPaths, AnalyzeExtractAndReplaceWithAReadyStream) {
    const Bytes stream = fixtures::mpeg2Still(720, 576, false, 1500);
    for (const std::string& name : kOddNames) {
        SCOPED_TRACE(name);
        TempDir root;
        const std::string folder = root.file(name);
        std::filesystem::create_directory(folder);
        const std::string firmware = folder + "/" + name + ".bin";
        std::filesystem::copy_file(root.write("x", swappedStandard()), firmware);
        const std::string tmp = folder + "/tmp " + name;
        std::filesystem::create_directory(tmp);

        const auto analysis = runCli({"analyze", firmware}, tmp);
        ASSERT_EQ(analysis.exitCode, 0) << analysis.err;
        EXPECT_EQ(linesOf(analysis.out).back().substr(0, 1), "4") << analysis.out;

        const std::string saved = folder + "/" + name + ".m2v";
        const auto extract = runCli({"extract", firmware, "1", saved}, tmp);
        ASSERT_EQ(extract.exitCode, 0) << extract.err;
        EXPECT_FALSE(readFile(saved).empty());

        const std::string source = folder + "/new " + name + ".m2v";
        std::filesystem::copy_file(root.write("y", stream), source);
        const auto replace = runCli({"replace", firmware, "1", source, "--force"}, tmp);
        ASSERT_EQ(replace.exitCode, 0) << replace.err;
        EXPECT_NE(readFile(firmware), swappedStandard());
    }
}

TEST(CliOddPaths, JpegSourceReachesTheToolsWhole) {
    if (!testing::haveRealTools()) GTEST_SKIP() << "the tools are not built in " VELMORA_TOOL_DIR;
    std::string all;
    for (const auto& n : kOddNames) all += n;
    TempDir root;
    const std::string folder = root.file(all);
    std::filesystem::create_directory(folder);
    const std::string firmware = folder + "/" + all + ".bin";
    std::filesystem::copy_file(root.write("x", fixtures::standardFirmware().image), firmware);
    const std::string photo = folder + "/" + all + ".jpg";
    std::filesystem::copy_file(fixtures::photoJpeg(640, 480), photo);
    const auto r =
        runCli({"replace", firmware, "3", photo, "--tool-dir", VELMORA_TOOL_DIR}, folder);
    ASSERT_EQ(r.exitCode, 0) << r.err << r.out;
    EXPECT_NE(readFile(firmware), fixtures::standardFirmware().image);
}

// A relative name that begins with a dash is a file, not an option, for the
// front end and for every tool it is handed to.
TEST(CliOddPaths, RelativeNamesWithALeadingDash) {
    if (!testing::haveRealTools()) GTEST_SKIP() << "the tools are not built in " VELMORA_TOOL_DIR;
    TempDir dir;
    (void)dir.write("-dump.bin", fixtures::standardFirmware().image);
    (void)dir.write("-new.m2v", fixtures::mpeg2Still(720, 576, false, 1500));
    std::filesystem::copy_file(fixtures::photoJpeg(640, 480), dir.file("-photo.jpg"));
    const auto here = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    const auto analysis = runCli({"analyze", "-dump.bin"}, dir.path());
    const auto extract = runCli({"extract", "-dump.bin", "2", "-saved.m2v"}, dir.path());
    const auto ready = runCli({"replace", "-dump.bin", "1", "-new.m2v", "--force"}, dir.path());
    const auto jpeg = runCli({"replace", "-dump.bin", "3", "-photo.jpg", "--tool-dir",
                              VELMORA_TOOL_DIR, "--encoder", "tools"},
                             dir.path());
    std::filesystem::current_path(here);
    EXPECT_EQ(analysis.exitCode, 0) << analysis.err;
    EXPECT_EQ(extract.exitCode, 0) << extract.err;
    EXPECT_FALSE(readFile(dir.file("-saved.m2v")).empty());
    EXPECT_EQ(ready.exitCode, 0) << ready.err;
    EXPECT_EQ(jpeg.exitCode, 0) << jpeg.err << jpeg.out;
}

}  // namespace
}  // namespace velmora
