// SPDX-License-Identifier: GPL-3.0-or-later
// Keeping the original, restoring it and the dry run, through velmora-cli on
// the standard firmware in each stored form, with real streams.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "firmware/byte_order.h"
#include "tests/cli/run_cli.h"
#include "tests/fixtures/fixture_streams.h"
#include "tests/fixtures/standard_fixtures.h"
#include "tests/support/temp_dir.h"

namespace velmora {
namespace {

using fixtures::Bytes;
using testing::contains;
using testing::linesOf;
using testing::readFile;
using testing::runCli;

struct Form {
    const char* name;
    bool swapped;
    bool updateImage;
};
constexpr Form kForms[] = {
    {"dump.bin", false, false}, {"swapped.bin", true, false}, {"update.img", false, true}};

Bytes storedForm(const Form& form) {
    Bytes image = fixtures::standardFirmware().image;
    if (form.updateImage || form.swapped) image = fixtures::withImageChecksum(image);
    return form.swapped ? swapWordBytes(image) : image;
}

// The region lines a dry run printed: "0x" and 8 digits, a length, a name.
struct Region {
    long long offset = 0;
    long long length = 0;
    std::string what;
};

std::vector<Region> regionsIn(const std::string& out) {
    std::vector<Region> regions;
    for (const std::string& line : linesOf(out)) {
        unsigned long long offset = 0, length = 0;
        int used = 0;
        if (line.size() > 11 && line.rfind("0x", 0) == 0 && line[10] == ' ' &&
            std::sscanf(line.c_str(), "0x%8llx %llu %n", &offset, &length, &used) == 2 && used > 0)
            regions.push_back({static_cast<long long>(offset), static_cast<long long>(length),
                               line.substr(static_cast<std::size_t>(used))});
    }
    return regions;
}

TEST(CliTrust, DryRunListsEveryRegionTheReplacementChangesAndWritesNothing) {
    const Bytes mpeg2 = fixtures::mpeg2Still(352, 288, false, 2000);
    const Bytes mpeg4 = fixtures::mpeg4Still(352, 288);
    for (const Form& form : kForms) {
        for (const char* picture : {"1", "3"}) {
            for (const bool move : {false, true}) {
                testing::TempDir dir;
                const Bytes original = storedForm(form);
                const std::string fw = dir.write(form.name, original);
                const std::string source =
                    picture[0] == '1' ? dir.write("new.m2v", mpeg2) : dir.write("new.m4v", mpeg4);
                std::vector<std::string> args{"replace", fw, picture, source, "--any-format"};
                if (move) args.push_back("--move");
                std::vector<std::string> dry = args;
                dry.push_back("--dry-run");
                const std::string what = std::string(form.name) + " picture " + picture +
                                         (move ? " moved" : " in place");

                const auto preview = runCli(dry, dir.path());
                ASSERT_EQ(preview.exitCode, 0) << what << preview.err;
                EXPECT_EQ(readFile(fw), original) << what;
                struct stat st {};
                EXPECT_NE(::stat((fw + ".orig").c_str(), &st), 0) << what << ": no backup either";
                const std::vector<Region> regions = regionsIn(preview.out);
                ASSERT_FALSE(regions.empty()) << what << preview.out;
                EXPECT_TRUE(std::any_of(regions.begin(), regions.end(), [](const Region& r) {
                    return r.what == "picture stream";
                }));
                EXPECT_EQ(std::any_of(regions.begin(), regions.end(),
                                      [](const Region& r) { return r.what == "checksum"; }),
                          form.updateImage)
                    << what;
                EXPECT_TRUE(contains(linesOf(preview.out), "Replacing the picture...")) << what;
                EXPECT_FALSE(
                    contains(linesOf(preview.out), "All operations completed successfully!"))
                    << what;
                EXPECT_FALSE(contains(linesOf(preview.out),
                                      "Completed! The old picture is replaced with the new!"))
                    << what;
                EXPECT_FALSE(contains(linesOf(preview.out), "Done! New CRC byte is written."))
                    << what;
                EXPECT_EQ(linesOf(preview.out).back(), "Dry run: nothing was written.") << what;

                const auto real = runCli(args, dir.path());
                ASSERT_EQ(real.exitCode, 0) << what << real.err;
                const Bytes now = readFile(fw);
                for (std::size_t p = 0; p < now.size(); ++p) {
                    if (now[p] == original[p]) continue;
                    const auto at = static_cast<long long>(p);
                    ASSERT_TRUE(std::any_of(regions.begin(), regions.end(),
                                            [&](const Region& r) {
                                                return at >= r.offset && at < r.offset + r.length;
                                            }))
                        << what << ": byte " << p << " changed outside the listed regions";
                }
            }
        }
    }
}

TEST(CliTrust, TheFirstReplacementKeepsTheOriginalAndRestorePutsItBack) {
    const Bytes mpeg2 = fixtures::mpeg2Still(352, 288, false, 2000);
    for (const Form& form : kForms) {
        testing::TempDir dir;
        const Bytes original = storedForm(form);
        const std::string fw = dir.write(form.name, original);
        const std::string source = dir.write("new.m2v", mpeg2);
        const std::string kept = std::string("Original firmware kept as ") + form.name + ".orig";

        const auto first = runCli({"replace", fw, "2", source, "--any-format"}, dir.path());
        ASSERT_EQ(first.exitCode, 0) << form.name << first.err;
        EXPECT_TRUE(contains(linesOf(first.out), kept)) << first.out;
        EXPECT_EQ(readFile(fw + ".orig"), original);
        const Bytes once = readFile(fw);
        ASSERT_NE(once, original);

        const auto second =
            runCli({"replace", fw, "1", source, "--move", "--any-format"}, dir.path());
        ASSERT_EQ(second.exitCode, 0) << form.name << second.err;
        EXPECT_FALSE(contains(linesOf(second.out), kept)) << "the first original is the one kept";
        EXPECT_EQ(readFile(fw + ".orig"), original);

        const auto restored = runCli({"restore", fw}, dir.path());
        ASSERT_EQ(restored.exitCode, 0) << form.name << restored.err;
        EXPECT_EQ(readFile(fw), original) << form.name;
        const auto lines = linesOf(restored.out);
        EXPECT_TRUE(
            contains(lines, std::string("Original firmware restored from ") + form.name + ".orig"))
            << restored.out;
        EXPECT_TRUE(
            contains(lines, std::string("Binary file loaded: ") + form.name + ". Analyzing..."))
            << "the restored file is analysed";
        EXPECT_TRUE(contains(lines, "Search complete!"));

        // The restored firmware can be replaced again at once.
        EXPECT_EQ(runCli({"replace", fw, "2", source, "--any-format"}, dir.path()).exitCode, 0)
            << form.name;
    }
}

TEST(CliTrust, RestoreWithoutABackupIsRefused) {
    testing::TempDir dir;
    const Bytes original = storedForm(kForms[0]);
    const std::string fw = dir.write("dump.bin", original);
    const auto r = runCli({"restore", fw}, dir.path());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("There is no dump.bin.orig beside dump.bin to restore."),
              std::string::npos)
        << r.err;
    EXPECT_EQ(readFile(fw), original);
}

TEST(CliTrust, ABackupThatCannotBeMadeStopsTheReplacementUnlessNoBackup) {
    testing::TempDir dir;
    const Bytes original = storedForm(kForms[0]);
    const std::string fw = dir.write("dump.bin", original);
    // A folder under the backup's name: no backup can be kept there.
    ASSERT_EQ(::mkdir((fw + ".orig").c_str(), 0755), 0);
    const std::string source = dir.write("new.m2v", fixtures::mpeg2Still(352, 288, false, 2000));

    const auto refused = runCli({"replace", fw, "2", source, "--any-format"}, dir.path());
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.err.find("The original cannot be kept as dump.bin.orig"), std::string::npos)
        << refused.err;
    EXPECT_FALSE(contains(linesOf(refused.out), "Replacing the picture..."));
    EXPECT_EQ(readFile(fw), original);

    const auto insisted =
        runCli({"replace", fw, "2", source, "--no-backup", "--any-format"}, dir.path());
    EXPECT_EQ(insisted.exitCode, 0) << insisted.err;
    EXPECT_NE(readFile(fw), original);
    struct stat st {};
    ASSERT_EQ(::stat((fw + ".orig").c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode)) << "what stood under the name is left alone";
}

}  // namespace
}  // namespace velmora
