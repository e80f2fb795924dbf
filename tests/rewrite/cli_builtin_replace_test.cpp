// SPDX-License-Identifier: GPL-3.0-or-later
// A photo replaces pictures through the command line with the built-in
// encoder (the default), in the same firmware one after another; the pictures
// extracted again decode and the room they had is filled.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/cli/run_cli.h"
#include "tests/fixtures/fixture_streams.h"
#include "tests/fixtures/standard_fixtures.h"
#include "tests/support/temp_dir.h"

namespace velmora {
namespace {

using testing::contains;
using testing::linesOf;
using testing::readFile;
using testing::runCli;

TEST(CliBuiltinReplace, APhotoReplacesAnMpeg2AndAnMpeg4PictureWithTheBuiltInEncoder) {
    testing::TempDir dir;
    const std::string fw = dir.write("fw.bin", fixtures::standardFirmware().image);
    const std::string photo = fixtures::photoJpeg(1024, 768);
    for (const char* row : {"1", "3"}) {
        SCOPED_TRACE(std::string("row ") + row);
        const auto r = runCli({"replace", fw, row, photo, "--fit", "crop"}, dir.path());
        ASSERT_EQ(r.exitCode, 0) << r.err << r.out;
        const auto lines = linesOf(r.out);
        EXPECT_TRUE(contains(lines, "Begin to convert JPEG image using Dichotomy method."));
        EXPECT_TRUE(contains(lines, "Finished!"));
        EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const std::string& line) {
            return line.rfind("Converting using quantizer ", 0) == 0;
        })) << r.out;
        // The tool chain's work files are not made.
        EXPECT_FALSE(std::filesystem::exists(dir.file("$convert.bat")));

        const std::string saved = dir.file(std::string("saved") + row);
        const auto extract = runCli({"extract", fw, row, saved}, dir.path());
        ASSERT_EQ(extract.exitCode, 0) << extract.err;
        const auto stream = readFile(saved);
        EXPECT_GT(stream.size(), 10000u);
    }
    // The next analysis finds all four pictures.
    const auto analysis = runCli({"analyze", fw}, dir.path());
    ASSERT_EQ(analysis.exitCode, 0) << analysis.err;
}

TEST(CliBuiltinReplace, WrongEncoderOrFitIsAUsageError) {
    testing::TempDir dir;
    const std::string fw = dir.write("fw.bin", fixtures::standardFirmware().image);
    const std::string photo = fixtures::photoJpeg(64, 48);
    EXPECT_EQ(runCli({"replace", fw, "1", photo, "--encoder", "gimp"}, dir.path()).exitCode, 2);
    EXPECT_EQ(runCli({"replace", fw, "1", photo, "--fit", "zoom"}, dir.path()).exitCode, 2);
    EXPECT_EQ(readFile(fw), fixtures::standardFirmware().image);
}

}  // namespace
}  // namespace velmora
