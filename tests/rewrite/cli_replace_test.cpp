// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/commands.h"
#include "tests/support/temp_dir.h"

namespace velmora::cli {
namespace {

Arguments args(std::vector<std::string> positional, std::vector<std::string> flags = {}) {
    return Arguments{std::move(positional), std::move(flags)};
}

TEST(CliReplace, WrongUsageIsAUsageError) {
    const std::vector<Arguments> wrong = {
        args({"fw.bin", "1"}),
        args({"fw.bin", "1", "a.m2v", "b.m2v"}),
        args({"fw.bin", "0", "a.m2v"}),
        args({"fw.bin", "-1", "a.m2v"}),
        args({"fw.bin", "1x", "a.m2v"}),
        args({"fw.bin", "one", "a.m2v"}),
        args({"fw.bin", "1", "a.m2v"}, {"--colors=32"}),
        args({"fw.bin", "1", "a.m2v"}, {"--rotate=45"}),
        args({"fw.bin", "1", "a.m2v"}, {"--mirror"}),
    };
    for (const Arguments& a : wrong) {
        Session session;
        CliDialogs ui;
        EXPECT_THROW((void)runReplace(session, ui, a), UsageError)
            << a.positional.size() << " " << (a.flags.empty() ? "" : a.flags[0]);
    }
}

TEST(CliReplace, OptionsBecomeTheWindowsChoicesAndAnswers) {
    testing::TempDir dir;
    Session session;
    session.TempDir = dir.path();
    CliDialogs ui;
    const Arguments a = args({dir.file("missing.bin"), "1", dir.file("a.m2v")},
                             {"--move", "--force", "--no-spare", "--colors=16", "--greyscale",
                              "--rotate=270", "--hmirror", "--vmirror"});
    EXPECT_EQ(runReplace(session, ui, a), kExitRefused) << "the firmware is missing";
    EXPECT_EQ(ui.ask(Question::MovePicture, "Move picture?", ""), Answer::Yes);
    EXPECT_EQ(ui.ask(Question::Confirmation, "Confirmation", ""), Answer::Yes);
    EXPECT_FALSE(session.Options.UseSpareSpace);
    EXPECT_EQ(session.Options.Colors, ColorMode::Colors16);
    EXPECT_TRUE(session.Options.Greyscale);
    EXPECT_EQ(session.Options.Orientation, Rotation::Rotate270);
    EXPECT_TRUE(session.Options.HMirror);
    EXPECT_TRUE(session.Options.VMirror);
}

}  // namespace
}  // namespace velmora::cli
