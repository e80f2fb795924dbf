// SPDX-License-Identifier: GPL-3.0-or-later
// Relative names that begin with a dash reach the tools as file names.
#include <gtest/gtest.h>

#include "convert/conversion_commands.h"
#include "convert/tool_command.h"

namespace velmora {
namespace {

TEST(PathArgument, OnlyALeadingDashGetsADotSlash) {
    const std::pair<std::string, std::string> cases[] = {
        {"-photo.jpg", "./-photo.jpg"},
        {"--x", "./--x"},
        {"-", "./-"},
        {"photo.jpg", "photo.jpg"},
        {"/tmp/-photo.jpg", "/tmp/-photo.jpg"},
        {"a-b", "a-b"},
        {"", ""},
    };
    for (const auto& [path, argument] : cases) EXPECT_EQ(pathArgument(path), argument) << path;
}

TEST(PathArgument, ConverterCommandsAndTheBatchRunUseIt) {
    const ToolCommand prepare = prepareCommand("/t", "-photo.jpg", "-tmp", ReplaceOptions{});
    EXPECT_EQ(prepare.arguments.at(1), "./-photo.jpg");
    const ToolCommand resize = resizeCommand("/t", "-tmp", 720, 576);
    EXPECT_EQ(resize.arguments.at(1), "./-tmp/$jpg_res.bmp");
    EXPECT_EQ(batchFileCommand("-tmp/$convert.bat").arguments,
              (std::vector<std::string>{"/bin/sh", "./-tmp/$convert.bat"}));
    // Absolute paths, all the window ever hands over, stay exactly as they were.
    EXPECT_EQ(prepareCommand("/t", "/p/-photo.jpg", "/w", ReplaceOptions{}).arguments.at(1),
              "/p/-photo.jpg");
}

}  // namespace
}  // namespace velmora
