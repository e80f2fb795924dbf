// SPDX-License-Identifier: GPL-3.0-or-later
// analyze --json against the text output of the same analysis, on every
// fixture firmware in every stored form.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "tests/cli/run_cli.h"
#include "tests/fixtures/fixture_streams.h"
#include "tests/fixtures/standard_fixtures.h"
#include "tests/support/temp_dir.h"

namespace velmora {
namespace {

using nlohmann::json;
using testing::linesOf;
using testing::runCli;

std::string format(const char* pattern, auto... values) {
    char buffer[160];
    std::snprintf(buffer, sizeof buffer, pattern, values...);
    return buffer;
}

std::string kiloBytes(std::int64_t bytes) {
    return format("%lld B (%5.2f kB)", static_cast<long long>(bytes),
                  static_cast<double>(bytes) / 1024.0);
}

// The text row analyze prints for a picture, made from the JSON alone.
std::string rowOf(const json& p) {
    const bool mpeg2 = p.at("kind") == "MPEG2";
    const json& records = p.at("records");
    const bool pointed =
        !(mpeg2 ? records.at("pointer_record") : records.at("flash_pointer")).is_null();
    return std::to_string(p.at("number").get<int>()) + (pointed ? "*" : "") + "\t" +
           format("%s Video %4dx%4d, %4.2f fps", mpeg2 ? "MPEG2" : "MPEG4",
                  p.at("width").get<int>(), p.at("height").get<int>(), p.at("fps").get<double>()) +
           "\t" + format("0x%08X", p.at("address").get<unsigned>()) + "\t" +
           kiloBytes(p.at("length").get<std::int64_t>()) + "\t" +
           kiloBytes(p.at("spare").get<std::int64_t>());
}

json addressOrNull(std::uint32_t address) {
    return address != 0 ? json(address) : json(nullptr);
}

bool logHas(const std::vector<std::string>& log, const std::string& line) {
    return std::find(log.begin(), log.end(), line) != log.end();
}

void expectJsonMatchesText(const fixtures::Fixture& f, const std::string& name,
                           const fixtures::Bytes& stored, bool swapped) {
    SCOPED_TRACE(name);
    testing::TempDir dir;
    const std::string path = dir.write(name, stored);
    const auto text = runCli({"analyze", path}, dir.path());
    const auto js = runCli({"analyze", path, "--json"}, dir.path());
    ASSERT_EQ(text.exitCode, 0) << text.err;
    ASSERT_EQ(js.exitCode, 0) << js.err;
    const json doc = json::parse(js.out);  // throws unless standard output is JSON alone

    // The log moved to standard error whole; the rows follow it in the text.
    const auto log = linesOf(js.err);
    const auto out = linesOf(text.out);
    const std::size_t count = f.entries.size();
    ASSERT_EQ(out.size(), log.size() + count);
    EXPECT_TRUE(std::equal(log.begin(), log.end(), out.begin()));

    const json& firmware = doc.at("firmware");
    EXPECT_EQ(firmware.at("name"), name);
    EXPECT_EQ(firmware.at("size"), stored.size());
    EXPECT_EQ(firmware.at("byte_order"), swapped ? "swapped" : "normal");
    EXPECT_EQ(logHas(log, "Firmware is byte-swapped, preparing for anlysis..."), swapped);
    EXPECT_EQ(firmware.at("update_image"), name.ends_with(".img"));
    const json& free = firmware.at("free_space");
    if (f.freeSpace.FreeSpaceSize > 0) {
        EXPECT_EQ(free.at("address"), f.freeSpace.FreeSpaceAddr);
        EXPECT_EQ(free.at("size"), f.freeSpace.FreeSpaceSize);
        EXPECT_TRUE(logHas(log, format("Unoccupied space found at 0x%08X, %5.2fkB",
                                       free.at("address").get<unsigned>(),
                                       free.at("size").get<double>() / 1024.0)));
    } else {
        EXPECT_TRUE(free.is_null());
    }

    const json& pictures = doc.at("pictures");
    ASSERT_EQ(pictures.size(), count);
    for (std::size_t i = 0; i < count; ++i) {
        SCOPED_TRACE("picture " + std::to_string(i + 1));
        const json& p = pictures[i];
        const PictureEntry& want = f.entries[i];
        EXPECT_EQ(p.at("number"), i + 1);
        EXPECT_EQ(rowOf(p), out[log.size() + i]);
        EXPECT_TRUE(
            logHas(log, format("%s Video %dx%d %5.2f fps stream found at 0x%08X - 0x%08X,",
                               p.at("kind").get<std::string>().c_str(), p.at("width").get<int>(),
                               p.at("height").get<int>(), p.at("fps").get<double>(),
                               p.at("address").get<unsigned>(), p.at("end").get<unsigned>())));
        const bool fragmented = p.at("fragmented");
        if (p.at("kind") == "MPEG2") {
            EXPECT_TRUE(logHas(
                log, fragmented ? format("fragmented on 0x%04X blocks with 0x%04X gaps.",
                                         p.at("block").get<unsigned>(), p.at("gap").get<unsigned>())
                                : std::string("non-fragmented.")));
            EXPECT_EQ(p.at("records").at("pointer_record"), addressOrNull(want.PointerAddr));
        } else {
            EXPECT_FALSE(fragmented);
            EXPECT_EQ(p.at("records").at("flash_pointer"), addressOrNull(want.PointerAddr));
            EXPECT_EQ(p.at("records").at("size_record"),
                      want.PointerAddr != 0 ? json(want.RoomEnd) : json(nullptr));
        }
        if (!fragmented) {
            EXPECT_TRUE(p.at("block").is_null());
            EXPECT_TRUE(p.at("gap").is_null());
        }
        EXPECT_EQ(p.at("end"), want.End);
        EXPECT_EQ(p.at("spare"), want.Spare);
    }
}

TEST(CliJson, StandardFirmwareInEveryStoredForm) {
    const fixtures::Fixture f = fixtures::standardFirmware();
    expectJsonMatchesText(f, "demo.bin", f.image, false);
    expectJsonMatchesText(f, "demo_swapped.bin", fixtures::byteSwapped(f.image), true);
    expectJsonMatchesText(f, "demo.img", fixtures::withImageChecksum(f.image), false);
}

TEST(CliJson, FirmwareWithoutPictures) {
    const fixtures::Fixture f = fixtures::firmwareWithoutPictures();
    expectJsonMatchesText(f, "empty.bin", f.image, false);
}

TEST(CliJson, SixteenPicturesOfBothKinds) {
    const fixtures::Fixture f = fixtures::benchmarkFirmware(0x400000, 16);
    expectJsonMatchesText(f, "many.bin", f.image, false);
}

// A picture whose records were not found: null, not 0.
TEST(CliJson, RecordsNotFoundAreNull) {
    fixtures::FirmwareBuilder b(0x100000);
    b.fillErased(0x80000, 0x100000);
    fixtures::Mpeg2Layout m2;
    m2.stream = fixtures::mpeg2Still(352, 288, false);
    m2.at = 0x1000;
    m2.withPointer = false;
    b.placeMpeg2(m2);
    fixtures::Mpeg4Layout m4;
    m4.stream = fixtures::mpeg4Still(352, 288);
    m4.at = 0x20000;
    m4.withPointer = false;
    b.placeMpeg4(m4);
    const fixtures::Fixture f = b.fixture();
    expectJsonMatchesText(f, "unpointed.bin", f.image, false);
    testing::TempDir dir;
    const auto js = runCli({"analyze", dir.write("u.bin", f.image), "--json"}, dir.path());
    const json doc = json::parse(js.out);
    ASSERT_EQ(doc.at("pictures").size(), 2u);
    EXPECT_TRUE(doc["pictures"][0]["records"]["pointer_record"].is_null());
    EXPECT_TRUE(doc["pictures"][1]["records"]["flash_pointer"].is_null());
    EXPECT_TRUE(doc["pictures"][1]["records"]["size_record"].is_null());
}

// After a move the grid marks the moved picture, and the old copy, which
// nothing leads to any more, is not referenced.
TEST(CliJson, AfterAMoveTheOldCopyIsNotReferenced) {
    const fixtures::Fixture f = fixtures::standardFirmware();
    testing::TempDir dir;
    const std::string firmware = dir.write("dump.bin", f.image);
    const std::string source = dir.write("new.m2v", fixtures::mpeg2Still(352, 288, false, 2000));
    const auto replaced =
        runCli({"replace", firmware, "1", source, "--move", "--any-format"}, dir.path());
    ASSERT_EQ(replaced.exitCode, 0) << replaced.out << replaced.err;
    const auto js = runCli({"analyze", firmware, "--json"}, dir.path());
    const json doc = json::parse(js.out);
    const auto moved =
        f.freeSpace.FreeSpaceAddr + static_cast<std::uint32_t>(f.entries[0].GapLength);
    int checked = 0;
    for (const json& p : doc.at("pictures")) {
        if (p.at("address") == f.entries[0].Start) {
            EXPECT_EQ(p.at("referenced"), false);
            EXPECT_TRUE(p.at("records").at("pointer_record").is_null());
            ++checked;
        } else if (p.at("address") == moved) {
            EXPECT_EQ(p.at("referenced"), true);
            EXPECT_EQ(p.at("records").at("pointer_record"), f.entries[0].PointerAddr);
            ++checked;
        } else {
            EXPECT_EQ(p.at("referenced"), true) << p.dump();
        }
    }
    EXPECT_EQ(checked, 2) << js.out;
}

TEST(CliJson, AnIoErrorPrintsNoDocument) {
    testing::TempDir dir;
    const auto r = runCli({"analyze", dir.file("missing.bin"), "--json"}, dir.path());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.out.empty());
    EXPECT_NE(r.err.find("I/O error"), std::string::npos);
}

}  // namespace
}  // namespace velmora
