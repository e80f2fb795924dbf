// SPDX-License-Identifier: GPL-3.0-or-later
// Every input a fuzzer once found troublesome is replayed on every build.
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <vector>

#include <gtest/gtest.h>

#include "fuzz/fuzz_entries.h"

namespace velmora {
namespace {

using Entry = int (*)(const std::uint8_t*, std::size_t);

const std::map<std::string, Entry>& entries() {
    static const std::map<std::string, Entry> table = {
        {"analysis", fuzz::analyseImage},
        {"extract", fuzz::extractPictures},
        {"tga", fuzz::decodeTga},
        {"jpeg", fuzz::readJpegHeader},
        {"replace", fuzz::replaceWithStream},
    };
    return table;
}

TEST(FuzzRegressions, EveryKeptInputRunsCleanly) {
    const std::filesystem::path root =
        std::filesystem::path(VELMORA_SOURCE_DIR) / "fuzz/regressions";
    int replayed = 0;
    for (const auto& [name, entry] : entries()) {
        const auto folder = root / name;
        if (!std::filesystem::exists(folder)) continue;
        for (const auto& file : std::filesystem::directory_iterator(folder)) {
            if (!file.is_regular_file() || file.path().filename() == ".keep") continue;
            std::ifstream in(file.path(), std::ios::binary);
            const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
            SCOPED_TRACE(file.path().string());
            EXPECT_EQ(entry(bytes.data(), bytes.size()), 0);
            ++replayed;
        }
    }
    EXPECT_GT(replayed, 0) << "no kept inputs found under " << root;
}

}  // namespace
}  // namespace velmora
