// The window over the real core, on a small firmware holding a real MPEG-2 picture.
#include <gtest/gtest.h>
#include <QPushButton>
#include <QTableWidget>
#include <algorithm>
#include <cstdlib>

#include "catalogue/analysis.h"
#include "tests/app/window_harness.h"
#include "tests/support/temp_dir.h"

namespace velmora::testing {
namespace {

constexpr std::uint32_t kPictureStart = 0x1000;

// A one-picture 720x576 MPEG-2 stream made by the real encoder, ending in a
// sequence end code.
std::vector<std::uint8_t> encodeMpeg2Picture(const TempDir& temp) {
    const std::string out = temp.file("picture.m2v");
    const std::string command =
        "ffmpeg -loglevel error -y -f lavfi -i color=c=blue:s=720x576:r=25 -frames:v 1 "
        "-c:v mpeg2video -f mpeg2video '" +
        out + "' </dev/null";
    if (std::system(command.c_str()) != 0) return {};
    std::vector<std::uint8_t> stream = readFile(out);
    stream.insert(stream.end(), {0x00, 0x00, 0x01, 0xB7});
    return stream;
}

// Code, the picture, then erased flash.
std::string writeFirmware(const TempDir& temp, const std::vector<std::uint8_t>& stream) {
    std::vector<std::uint8_t> image(kPictureStart + stream.size(), 0x5A);
    std::copy(stream.begin(), stream.end(), image.begin() + kPictureStart);
    while (image.size() % 16 != 0) image.push_back(0x00);
    image.resize(image.size() + 0x4000, 0xFF);
    return temp.write("dump.bin", image);
}

TEST(WindowOverRealCore, AnalysisListsThePictureAndEnablesTheNextStep) {
    TempDir temp;
    const auto stream = encodeMpeg2Picture(temp);
    if (stream.empty()) GTEST_SKIP() << "ffmpeg cannot make an MPEG-2 picture here";
    const std::string firmware = writeFirmware(temp, stream);

    WindowHarness h(realCore());
    h.form->session().TempDir = temp.path();
    h.ui->openChoices.push_back(firmware);
    h.form->BitBtn1->click();

    ASSERT_TRUE(h.ui->boxes.empty()) << h.ui->boxes[0].caption << ": " << h.ui->boxes[0].text;
    const Session& session = h.form->session();
    ASSERT_EQ(session.PictureCount, 1) << h.ui->logText();
    EXPECT_EQ(session.PictureTable[0].Start, kPictureStart);
    EXPECT_EQ(h.form->Panel2->text(), QStringLiteral("dump.bin"));

    QTableWidget* grid = h.form->StringGrid1;
    ASSERT_EQ(grid->rowCount(), 1);
    const auto cells = gridRow(session.PictureTable[0], 1);
    for (int c = 0; c < 5; ++c)
        EXPECT_EQ(grid->item(0, c)->text().toStdString(), cells[static_cast<std::size_t>(c)]);
    EXPECT_EQ(grid->item(0, 1)->text(), QStringLiteral("MPEG2 Video  720x 576, 25.00 fps"));
    EXPECT_EQ(grid->item(0, 2)->text(), QStringLiteral("0x00001000"));
    EXPECT_EQ(enabledStates(*h.form),
              (EnabledStates{true, true, true, false, false, false, false}));
    EXPECT_EQ(session.SelectedPicture, 0);
    EXPECT_TRUE(h.ui->hasLine("Search complete!")) << h.ui->logText();
    EXPECT_FALSE(h.ui->progressValues.empty());
}

TEST(WindowOverRealCore, FileWithoutPicturesLeavesTheGridOff) {
    TempDir temp;
    const std::string firmware = temp.write("empty.bin", std::vector<std::uint8_t>(0x2000, 0xFF));
    WindowHarness h(realCore());
    h.form->session().TempDir = temp.path();
    h.ui->openChoices.push_back(firmware);
    h.form->BitBtn1->click();
    EXPECT_TRUE(h.ui->boxes.empty());
    EXPECT_EQ(enabledStates(*h.form),
              (EnabledStates{true, false, false, false, false, false, false}));
    EXPECT_EQ(h.form->Panel2->text(), QStringLiteral("empty.bin"));
}

TEST(WindowOverRealCore, MissingFirmwareShowsTheIoErrorBox) {
    TempDir temp;
    WindowHarness h(realCore());
    h.form->session().TempDir = temp.path();
    h.ui->openChoices.push_back(temp.file("gone.bin"));
    h.form->BitBtn1->click();
    ASSERT_EQ(h.ui->boxes.size(), 1u);
    EXPECT_EQ(h.ui->boxes[0].caption, "I/O error");
    EXPECT_NE(h.ui->boxes[0].text.find("gone.bin"), std::string::npos);
    EXPECT_FALSE(h.form->StringGrid1->isEnabled());
    EXPECT_TRUE(h.form->BitBtn1->isEnabled());
}

}  // namespace
}  // namespace velmora::testing
