// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/conversion_commands.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>

#include <string>
#include <vector>

#include "convert/tool_run.h"
#include "tests/support/temp_dir.h"

namespace velmora {
namespace {

const std::string kTools = "/opt/velmora/tools";
const std::string kTemp = "/tmp";

TEST(PrepareCommand, OptionsFollowInTheTablesOrder) {
    struct Case {
        ReplaceOptions options;
        const char* ending;
    };
    ReplaceOptions defaults;
    ReplaceOptions example;  // 16 colors, Greyscale, Rotate 270, V. mirroring
    example.Colors = ColorMode::Colors16;
    example.Greyscale = true;
    example.Orientation = Rotation::Rotate270;
    example.VMirror = true;
    ReplaceOptions all;
    all.Colors = ColorMode::Colors256;
    all.Greyscale = true;
    all.Orientation = Rotation::Rotate90;
    all.HMirror = true;
    all.VMirror = true;
    ReplaceOptions half;
    half.Orientation = Rotation::Rotate180;
    half.HMirror = true;
    for (const Case& c : std::vector<Case>{{defaults, " --24"},
                                           {example, " --c16 --g --r270 --v"},
                                           {all, " --c256 --g --r90 --h --v"},
                                           {half, " --24 --r180 --h"}}) {
        EXPECT_EQ(prepareCommand(kTools, "/home/u/photo.jpg", kTemp, c.options).text,
                  "\"/opt/velmora/tools/pvw32con\" \"/home/u/photo.jpg\" -w --jh --o "
                  "\"/tmp/$jpg_res.bmp\"" +
                      std::string(c.ending));
    }
}

TEST(PrepareCommand, PathsReachTheConverterWhole) {
    const std::string source = "/home/u/my \"best\" photo.jpg";
    ReplaceOptions options;
    options.Greyscale = true;
    const auto command = prepareCommand("/t dir", source, "/w dir", options);
    EXPECT_EQ(command.arguments,
              (std::vector<std::string>{"/t dir/pvw32con", source, "-w", "--jh", "--o",
                                        "/w dir/$jpg_res.bmp", "--24", "--g"}));
}

TEST(ResizeCommand, SizeWithoutBlanks) {
    const auto command = resizeCommand(kTools, kTemp, 720, 576);
    EXPECT_EQ(command.text,
              "\"/opt/velmora/tools/pvw32con\" \"/tmp/$jpg_res.bmp\" -j --jq100 --o "
              "\"/tmp/$jpg_res.jpg\" --X720 --Y576");
    EXPECT_EQ(command.arguments.back(), "--Y576");
}

TEST(BatchLines, Mpeg2Pal) {
    EXPECT_EQ(mpeg2BatchLines(programsIn(kTools), kTemp, false, 7000),
              std::vector<std::string>{
                  "'/opt/velmora/tools/jpeg2yuv' -Ip -L0 -n1 -v0 -f25 -j '/tmp/$jpg_res.jpg' | "
                  "'/opt/velmora/tools/mpeg2enc' -f 3 -n p -b 7000 -r 16 -a 2 -v 0 -o "
                  "'/tmp/$jpg_res.m2v'"});
}

TEST(BatchLines, Mpeg2NtscAndNegativeBitrate) {
    EXPECT_EQ(mpeg2BatchLines(programsIn(kTools), kTemp, true, -3),
              std::vector<std::string>{
                  "'/opt/velmora/tools/jpeg2yuv' -Ip -L0 -n1 -v0 -f29.97 -j '/tmp/$jpg_res.jpg' | "
                  "'/opt/velmora/tools/mpeg2enc' -f 8 -n n -b -3 -r 16 -a 2 -v 0 -o "
                  "'/tmp/$jpg_res.m2v'"});
}

TEST(BatchLines, Mpeg4Ntsc640x480) {
    EXPECT_EQ(mpeg4BatchLines(programsIn(kTools), kTemp, true, 15, 640, 480),
              (std::vector<std::string>{
                  "'/opt/velmora/tools/jpeg2yuv' -Ip -L0 -n1 -v0 -f29.97 -j '/tmp/$jpg_res.jpg' | "
                  "'/opt/velmora/tools/yuvscaler' -M NO_HEADER |'/opt/velmora/tools/pixmend' "
                  ">'/tmp/$tmp.yuv'",
                  "'/opt/velmora/tools/xvid_encraw' -i '/tmp/$tmp.yuv' -type 0 -single -cq 15 -w "
                  "640 -h 480 -framerate 29.97 -frames 1 -lumimasking -qtype 0 -o "
                  "'/tmp/$jpg_res.m4v'"}));
}

TEST(BatchLines, Mpeg4Pal) {
    const auto lines = mpeg4BatchLines(programsIn(kTools), kTemp, false, 31, 720, 576);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[0].find(" -v0 -f25 -j "), std::string::npos);
    EXPECT_NE(lines[1].find(" -cq 31 -w 720 -h 576 -framerate 25 -frames 1 "), std::string::npos);
}

TEST(BatchLines, APercentInTheWorkFolderIsDoubledForTheFrameNameFormatOnly) {
    const auto lines = mpeg4BatchLines(programsIn(kTools), "/w/100%", false, 15, 720, 576);
    EXPECT_NE(lines[0].find(" -j '/w/100%%/$jpg_res.jpg' | "), std::string::npos);
    EXPECT_NE(lines[0].find(" >'/w/100%/$tmp.yuv'"), std::string::npos);
    EXPECT_NE(lines[1].find(" -o '/w/100%/$jpg_res.m4v'"), std::string::npos);
}

// An executable script called name in dir.
void writeProgram(const testing::TempDir& dir, const std::string& name) {
    const std::string path = dir.writeText(name, "#!/bin/sh\n");
    ASSERT_EQ(::chmod(path.c_str(), 0755), 0);
}

// An installed Velmora carries its own helpers only; the mjpegtools programs
// come from PATH unless a folder holding them is the tool folder.
TEST(FindBatchPrograms, MjpegtoolsFromPathWhenNotBesideTheHelpers) {
    testing::TempDir tools;
    testing::TempDir elsewhere;
    for (const char* helper : {"pvw32con", "pixmend", "xvid_encraw"}) writeProgram(tools, helper);
    for (const char* program : {"jpeg2yuv", "yuvscaler"}) writeProgram(elsewhere, program);
    writeProgram(tools, "mpeg2enc");
    const char* oldPath = std::getenv("PATH");
    const std::string saved = oldPath != nullptr ? oldPath : "";
    ::setenv("PATH", ("/nonexistent::" + elsewhere.path()).c_str(), 1);
    const BatchPrograms programs = findBatchPrograms(tools.path());
    ::setenv("PATH", saved.c_str(), 1);

    EXPECT_EQ(programs.jpeg2yuv, elsewhere.file("jpeg2yuv"));
    EXPECT_EQ(programs.yuvscaler, elsewhere.file("yuvscaler"));
    EXPECT_EQ(programs.mpeg2enc, tools.file("mpeg2enc"));
    EXPECT_EQ(programs.pixmend, tools.file("pixmend"));
    EXPECT_EQ(programs.xvidEncraw, tools.file("xvid_encraw"));
    const auto lines = mpeg2BatchLines(programs, kTemp, false, 7000);
    EXPECT_EQ(lines[0].rfind(shellQuoted(elsewhere.file("jpeg2yuv")) + " -Ip ", 0), 0u) << lines[0];
}

TEST(FindBatchPrograms, AProgramFoundNowhereKeepsTheToolFoldersName) {
    testing::TempDir tools;
    const char* oldPath = std::getenv("PATH");
    const std::string saved = oldPath != nullptr ? oldPath : "";
    ::setenv("PATH", tools.path().c_str(), 1);
    const BatchPrograms programs = findBatchPrograms(tools.path() + "/missing");
    ::setenv("PATH", saved.c_str(), 1);
    EXPECT_EQ(programs.jpeg2yuv, tools.path() + "/missing/jpeg2yuv");
}

TEST(BatchFileText, LineFeedsOnly) {
    EXPECT_EQ(batchFileText({"a b", "c"}), "a b\nc\n");
}

TEST(ShellQuoted, QuotesAreEscapedOutsideTheQuotes) {
    EXPECT_EQ(shellQuoted("/tmp/a b"), "'/tmp/a b'");
    EXPECT_EQ(shellQuoted("it's"), "'it'\\''s'");
    EXPECT_EQ(shellQuoted(""), "''");
}

TEST(ShellQuoted, TheShellReadsBackEveryPathAsWritten) {
    testing::TempDir dir;
    const std::vector<std::string> paths = {
        "plain",       "with blank", "it's",        "''",
        "\"double\"",  "$HOME",      "$(echo no)",  "`echo no`",
        "back\\slash", "tab\there",  "new\nline",   "\xC3\xBC\xC3\xA9\xE6\x97\xA5",
        "*?[a]",       "-n",         "!x; rm -rf y"};
    for (const auto& path : paths) {
        const std::string out = dir.file("out");
        const std::string script = dir.writeText(
            "script.sh",
            batchFileText({"printf '%s' " + shellQuoted(path) + " >" + shellQuoted(out)}));
        ASSERT_EQ(runTool(batchFileCommand(script), WorkControl{}).end, ToolEnd::Finished);
        const auto bytes = testing::readFile(out);
        EXPECT_EQ(std::string(bytes.begin(), bytes.end()), path);
    }
}

}  // namespace
}  // namespace velmora
