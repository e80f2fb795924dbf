// SPDX-License-Identifier: GPL-3.0-or-later
// A JPEG photo through the real conversion tools into the standard fixture
// firmware; the picture found again decodes to something close to the photo.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "catalogue/analysis.h"
#include "firmware/file_io.h"
#include "rewrite/replace_picture.h"
#include "tests/fixtures/fixture_streams.h"
#include "tests/fixtures/standard_fixtures.h"
#include "tests/rewrite/stored_stream.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/session_replacement.h"
#include "tests/support/temp_dir.h"

namespace velmora {
namespace {

using fixtures::Bytes;
using testing::ScriptedDialogs;
using testing::TempDir;

bool haveTools() {
    for (const char* tool :
         {"pvw32con", "jpeg2yuv", "mpeg2enc", "yuvscaler", "pixmend", "xvid_encraw"})
        if (::access(joinPath(VELMORA_TOOL_DIR, tool).c_str(), X_OK) != 0) return false;
    return ::access("/usr/bin/ffmpeg", X_OK) == 0;
}

// The PSNR of the decoded stream against the photo scaled to its size, as
// ffmpeg measures it; -1 when ffmpeg could not compare them.
double psnrAgainst(const std::string& stream, const std::string& format, const std::string& photo,
                   int width, int height) {
    const std::string command =
        "ffmpeg -v info -nostdin -f " + format + " -i '" + stream + "' -i '" + photo +
        "' -filter_complex '[1]scale=" + std::to_string(width) + ":" + std::to_string(height) +
        ",format=yuv420p[r];[0]format=yuv420p[d];[d][r]psnr' -f null - 2>&1";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) return -1;
    std::string output;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) output += buffer;
    ::pclose(pipe);
    const auto at = output.find("average:");
    if (at == std::string::npos) return -1;
    return std::stod(output.substr(at + 8));
}

TEST(JpegReplace, APhotoBecomesAPictureOfTheReplacedSizeThatLooksLikeIt) {
    if (!haveTools()) GTEST_SKIP() << "the conversion tools are not built in " << VELMORA_TOOL_DIR;
    const std::string photo = fixtures::photoJpeg(640, 480);
    const fixtures::Fixture fixture = fixtures::standardFirmware();
    for (const int picture : {0, 2}) {
        TempDir dir;
        Session session;
        session.TempDir = dir.path();
        session.ToolDir = VELMORA_TOOL_DIR;
        const std::string firmware = dir.write("dump.bin", fixture.image);
        ScriptedDialogs ui;
        ASSERT_TRUE(testing::foundPictures(analyzeFirmware(session, ui, firmware), session, ui));
        session.SelectedPicture = picture;
        session.SourcePath = photo;
        session.SourceOpened = true;
        session.SourceAccepted.isJpeg = true;
        // A room below the encoder's first try makes the search go down, where
        // mpeg2enc works (it writes nothing at 12000 kbit/s and more).
        session.PictureTable[static_cast<std::size_t>(picture)].DataSize = 20000;
        session.PictureTable[static_cast<std::size_t>(picture)].Spare = 0;
        const PictureEntry old = *session.selected();
        ScriptedDialogs replaceUi;  // stays in place
        ASSERT_TRUE(testing::toldDone(testing::replaceInSession(session, replaceUi), replaceUi))
            << replaceUi.logText();

        Session again;
        again.TempDir = dir.path();
        ScriptedDialogs analysisUi;
        ASSERT_TRUE(testing::foundPictures(analyzeFirmware(again, analysisUi, firmware), again,
                                           analysisUi));
        const PictureEntry& found = again.PictureTable[static_cast<std::size_t>(picture)];
        EXPECT_EQ(found.Start, old.Start);
        EXPECT_EQ(found.Width, old.Width);
        EXPECT_EQ(found.Height, old.Height);
        EXPECT_LE(found.DataSize, old.DataSize + old.Spare);

        const std::string extracted =
            dir.write(old.isMpeg2() ? "found.m2v" : "found.m4v",
                      testing::storedStream(testing::readFile(firmware), found));
        const double psnr = psnrAgainst(extracted, old.isMpeg2() ? "mpegvideo" : "m4v", photo,
                                        old.Width, old.Height);
        EXPECT_GT(psnr, 20.0) << "picture " << picture + 1;
        RecordProperty("psnr" + std::to_string(picture + 1), std::to_string(psnr));
    }
}

}  // namespace
}  // namespace velmora
