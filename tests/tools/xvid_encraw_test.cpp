// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "catalogue/mpeg4_candidate.h"
#include "catalogue/vol_header.h"
#include "tests/support/temp_dir.h"
#include "tests/tools/test_pictures.h"
#include "tests/tools/tool_run.h"
#include "tools/common/tool_main.h"
#include "tools/mpeg2decode/first_picture.h"
#include "tools/xvid_encraw/encoder_options.h"
#include "tools/xvid_encraw/stream_headers.h"

namespace velmora::testing {
namespace {

using Bytes = std::vector<std::uint8_t>;

const Bytes kFixedHeader = {0x00, 0x00, 0x01, 0xB0, 0xF5, 0x00, 0x00, 0x01, 0xB5, 0x09};
const Bytes kVideoObject = {0x00, 0x00, 0x01, 0x00};

// --- How a firmware's picture scan reads the headers (independent of the tool) ---

// The header buffer of the scan: the bytes after the video object start code, read two
// at a time, at most 2 + 63 units, up to a unit that completes 00 00 01 B6.
std::optional<Bytes> scanHeaderBuffer(const Bytes& stream, std::size_t afterVideoObject) {
    Bytes header;
    for (std::size_t unit = 0; unit < 65; ++unit) {
        const std::size_t at = afterVideoObject + 2 * unit;
        if (at + 2 > stream.size()) return std::nullopt;
        header.push_back(stream[at]);
        header.push_back(stream[at + 1]);
        if (unit >= 2 && header.size() >= 4 && header[header.size() - 4] == 0 &&
            header[header.size() - 3] == 0 && header[header.size() - 2] == 1 &&
            header.back() == 0xB6) {
            return header;
        }
    }
    return std::nullopt;
}

unsigned bitsAt(const Bytes& bytes, std::size_t first, int count) {
    unsigned value = 0;
    for (int i = 0; i < count; ++i) {
        const std::size_t bit = first + static_cast<std::size_t>(i);
        value = (value << 1) | ((bytes.at(bit / 8) >> (7 - bit % 8)) & 1U);
    }
    return value;
}

struct Size {
    unsigned width;
    unsigned height;
};

// Width and height from the video object layer the way the scan reads them.
Size scanLayerSize(const Bytes& header) {
    std::size_t e = 0;
    unsigned version = 0;
    if (bitsAt(header, 41, 1) == 1) {
        e = 7;
        version = bitsAt(header, 42, 4);
    }
    if (bitsAt(header, 42 + e, 4) == 15) e += 16;
    if (bitsAt(header, 46 + e, 1) == 1) e += bitsAt(header, 50 + e, 1) == 1 ? 83 : 4;
    if (bitsAt(header, 47 + e, 2) == 3 && version != 1) e += 4;
    const unsigned resolution = bitsAt(header, 50 + e, 16);
    if (bitsAt(header, 67 + e, 1) == 1) {
        std::size_t needed = 0;
        for (unsigned v = resolution - 1; v != 0; v >>= 1) ++needed;
        e += std::max<std::size_t>(needed, 1);
    }
    return {bitsAt(header, 69 + e, 13), bitsAt(header, 83 + e, 13)};
}

// --- Options ---

const std::string kBatchLine =
    "-i in.yuv -type 0 -single -cq 15 -w 720 -h 576 -framerate 25 -frames 1 -lumimasking "
    "-qtype 0 -o out.m4v";

std::vector<std::string> words(const std::string& line) {
    std::vector<std::string> out;
    std::istringstream in(line);
    for (std::string word; in >> word;) out.push_back(word);
    return out;
}

// The batch line with one piece of it replaced.
std::vector<std::string> batchWith(const std::string& piece, const std::string& replacement) {
    std::string line = kBatchLine;
    const std::size_t at = line.find(piece);
    if (at == std::string::npos) throw std::logic_error("no " + piece + " in the batch line");
    return words(line.replace(at, piece.size(), replacement));
}

TEST(XvidEncrawOptions, ReadsTheBatchLine) {
    const auto options = tools::parseEncoderOptions(words(kBatchLine));
    EXPECT_EQ(options.input, "in.yuv");
    EXPECT_EQ(options.output, "out.m4v");
    EXPECT_EQ(options.quantizer, 15);
    EXPECT_EQ(options.width, 720);
    EXPECT_EQ(options.height, 576);
    EXPECT_DOUBLE_EQ(options.frameRate, 25.0);
    EXPECT_TRUE(options.lumiMasking);
    EXPECT_FALSE(options.mpegQuantizer);
}

TEST(XvidEncrawOptions, QuantizersPastTheSyntaxLimitEncodeAtIt) {
    EXPECT_EQ(tools::parseEncoderOptions(batchWith("-cq 15", "-cq 40")).quantizer,
              tools::kMaxQuantizer);
}

TEST(XvidEncrawOptions, FrameTimings) {
    const struct {
        double rate;
        int increment;
        int base;
    } cases[] = {
        {25, 1, 25}, {29.97, 1001, 30000}, {23.976, 1001, 24000}, {30, 1, 30}, {12.5, 1000, 12500}};
    for (const auto& c : cases) {
        const auto timing = tools::frameTimingFor(c.rate);
        EXPECT_EQ(timing.increment, c.increment) << c.rate;
        EXPECT_EQ(timing.base, c.base) << c.rate;
    }
}

TEST(XvidEncrawOptions, RefusesWrongArguments) {
    const struct {
        const char* piece;
        const char* replacement;
        const char* message;
    } cases[] = {
        {"-type 0", "-type 1", "-type 0"},
        {"-cq 15", "-cq 0", "1 or more"},
        {"-cq 15", "-cq x", "whole number"},
        {"-w 720", "-w 0", "even number from 2 to 8190"},
        {"-w 720", "-w 33", "even number"},
        {"-h 576", "-h 9000", "even number from 2 to 8190"},
        {"-framerate 25", "-framerate 0", "between 1 and 60"},
        {"-framerate 25", "-framerate 25fps", "decimal"},
        {"-frames 1", "-frames 2", "-frames 1"},
        {"-qtype 0", "-qtype 2", "-qtype"},
        {"-i in.yuv", "", "-i"},
        {"-o out.m4v", "", "-o"},
        {"-cq 15", "", "-cq"},
        {"-w 720", "", "-w"},
        {"-h 576", "", "-h"},
        {"-lumimasking", "-lumimasking -bogus", "unknown option \"-bogus\""},
        {"-o out.m4v", "-o", "-o needs a value"},
    };
    for (const auto& c : cases) {
        try {
            (void)tools::parseEncoderOptions(batchWith(c.piece, c.replacement));
            ADD_FAILURE() << c.replacement << " was accepted";
        } catch (const tools::UsageError& e) {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
        }
    }
}

// --- Header rewriting on made-up encoder output ---

Bytes concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

const Bytes kOtherSequence = {0x00, 0x00, 0x01, 0xB0, 0x01, 0x00, 0x00, 0x01, 0xB5, 0x89, 0x13};
const Bytes kLayer = {0x00, 0x00, 0x01, 0x20, 0x00, 0x86, 0xC4, 0x00, 0x67};
const Bytes kVop = {0x00, 0x00, 0x01, 0xB6, 0x10, 0x61, 0xF1};

TEST(XvidEncrawHeaders, ReplacesTheLeadingHeadersAndKeepsTheRest) {
    // Layer of 10 bytes: the VOP already lies at an even distance.
    const Bytes layer = concat({kLayer, {0x5A}});
    const Bytes out =
        tools::withFirmwareHeaders(concat({kOtherSequence, kVideoObject, layer, kVop}));
    EXPECT_EQ(out, concat({kFixedHeader, kVideoObject, layer, kVop}));
}

TEST(XvidEncrawHeaders, PutsTheVopAtAnEvenDistanceWithUserData) {
    const Bytes out = tools::withFirmwareHeaders(concat({kVideoObject, kLayer, kVop}));
    EXPECT_EQ(out,
              concat({kFixedHeader, kVideoObject, kLayer, {0x00, 0x00, 0x01, 0xB2, 0x20}, kVop}));
    const auto header = scanHeaderBuffer(out, 14);
    ASSERT_TRUE(header.has_value());
    EXPECT_EQ(header->size(), kLayer.size() + 5 + 4);
}

TEST(XvidEncrawHeaders, RefusesStreamsTheScanCannotRead) {
    const Bytes longUserData = concat({{0x00, 0x00, 0x01, 0xB2}, Bytes(130, 0x41)});
    const std::vector<Bytes> refused = {
        concat({kLayer, kVop}),                              // no video object
        concat({kVideoObject, kVop}),                        // no layer
        concat({kVideoObject, kLayer, {0x11, 0x22}}),        // no VOP
        concat({kVideoObject, kLayer, longUserData, kVop}),  // VOP beyond 130 bytes
    };
    for (const Bytes& stream : refused) {
        EXPECT_THROW((void)tools::withFirmwareHeaders(stream), tools::ToolError);
    }
}

TEST(XvidEncrawHeaders, TheLastReadableVopPositionIsAccepted) {
    // 9 + 4 + 113 bytes = 126 before the VOP start code: it ends at byte 130.
    const Bytes userData = concat({{0x00, 0x00, 0x01, 0xB2}, Bytes(113, 0x41)});
    const Bytes out = tools::withFirmwareHeaders(concat({kVideoObject, kLayer, userData, kVop}));
    const auto header = scanHeaderBuffer(out, 14);
    ASSERT_TRUE(header.has_value());
    EXPECT_EQ(header->size(), tools::kMaxHeaderBytes);
}

// --- The program, alone and in the conversion chain ---

class XvidEncrawProgram : public ::testing::Test {
  protected:
    // jpeg2yuv | yuvscaler -M NO_HEADER | pixmend > x.yuv, as the conversion runs it.
    std::string makeRawFrame(int width, int height, const char* rate) {
        const std::string jpeg = dir_.file("x.jpg");
        savePicture(colourfulPicture(width, height), jpeg);
        const std::string yuv = dir_.file("x.yuv");
        const int status = runShellLine(
            shellQuoted(toolPath("jpeg2yuv")) + " -Ip -L0 -n1 -v0 -f" + rate + " -j " +
            shellQuoted(jpeg) + " | " + shellQuoted(toolPath("yuvscaler")) +
            " -v 0 -M NO_HEADER |" + shellQuoted(toolPath("pixmend")) + " >" + shellQuoted(yuv));
        EXPECT_EQ(status, 0);
        return yuv;
    }

    ToolRun encode(const std::string& yuv, int quantizer, int width, int height, const char* rate,
                   const std::string& out) {
        return runTool("xvid_encraw", {"-i",
                                       yuv,
                                       "-type",
                                       "0",
                                       "-single",
                                       "-cq",
                                       std::to_string(quantizer),
                                       "-w",
                                       std::to_string(width),
                                       "-h",
                                       std::to_string(height),
                                       "-framerate",
                                       rate,
                                       "-frames",
                                       "1",
                                       "-lumimasking",
                                       "-qtype",
                                       "0",
                                       "-o",
                                       out});
    }

    TempDir dir_;
};

struct ChainCase {
    int width;
    int height;
    const char* rate;
};

class XvidEncrawChain : public XvidEncrawProgram,
                        public ::testing::WithParamInterface<ChainCase> {};

TEST_P(XvidEncrawChain, MakesAStreamTheFirmwareAndLibavcodecRead) {
    const auto [width, height, rate] = GetParam();
    const std::string yuv = makeRawFrame(width, height, rate);
    const std::string out = dir_.file("x.m4v");
    const ToolRun run = encode(yuv, 4, width, height, rate, out);
    ASSERT_EQ(run.exitCode, 0) << run.errorText;
    const Bytes stream = readFile(out);

    ASSERT_GT(stream.size(), 14U);
    EXPECT_EQ(Bytes(stream.begin(), stream.begin() + 10), kFixedHeader);
    EXPECT_EQ(Bytes(stream.begin() + 10, stream.begin() + 14), kVideoObject);

    const auto header = scanHeaderBuffer(stream, 14);
    ASSERT_TRUE(header.has_value()) << "no VOP start code within 130 bytes";
    const Size size = scanLayerSize(*header);
    EXPECT_EQ(size.width, static_cast<unsigned>(width));
    EXPECT_EQ(size.height, static_cast<unsigned>(height));
    // The program's own scan code agrees.
    const VolSize scanned = parseVolSize(*header);
    EXPECT_EQ(scanned.width, width);
    EXPECT_EQ(scanned.height, height);

    // Stored in a video chunk the way a firmware holds it, the scan finds the picture.
    const Bytes stored(stream.begin() + 10, stream.end());
    Bytes chunk = {'0', '0', 'd', 'c'};
    for (int shift = 0; shift < 32; shift += 8) {
        chunk.push_back(static_cast<std::uint8_t>(stored.size() >> shift));
    }
    chunk.insert(chunk.end(), stored.begin(), stored.end());
    chunk.resize(chunk.size() + 64, 0xFF);
    const Candidate found = readMpeg4Chunk(ByteImage("chunk.bin", chunk), 0);
    ASSERT_EQ(found.outcome, CandidateOutcome::Found);
    EXPECT_EQ(found.entry.Width, width);
    EXPECT_EQ(found.entry.Height, height);
    EXPECT_EQ(found.entry.HeaderLength, static_cast<std::int32_t>(header->size()));

    const auto decoded = tools::decodeFirstPicture(stream, tools::VideoCodec::Mpeg4);
    EXPECT_EQ(decoded.width, width);
    EXPECT_EQ(decoded.height, height);
    // The firmware stores the stream from the video object start code on; it must
    // decode on its own too.
    EXPECT_EQ(tools::decodeFirstPicture(stored, tools::VideoCodec::Mpeg4).width, width);

    // And it shows the picture that went in.
    RgbPicture picture{decoded.width, decoded.height, {}};
    for (std::size_t i = 0; i < decoded.pixels.size(); i += 3) {
        picture.pixels.push_back({decoded.pixels[i + 2], decoded.pixels[i + 1], decoded.pixels[i]});
    }
    EXPECT_GT(psnr(picture, loadPicture(dir_.file("x.jpg"))), 28.0);
}

INSTANTIATE_TEST_SUITE_P(Sizes, XvidEncrawChain,
                         ::testing::Values(ChainCase{720, 576, "25"}, ChainCase{640, 480, "29.97"},
                                           ChainCase{352, 240, "29.97"}));

TEST_F(XvidEncrawProgram, ALowerQuantizerGivesALargerStream) {
    const std::string yuv = makeRawFrame(352, 288, "25");
    std::vector<std::size_t> sizes;
    for (const int q : {2, 8, 31, 40}) {
        const std::string out = dir_.file("q" + std::to_string(q) + ".m4v");
        ASSERT_EQ(encode(yuv, q, 352, 288, "25", out).exitCode, 0);
        sizes.push_back(readFile(out).size());
    }
    EXPECT_GT(sizes[0], sizes[1]);
    EXPECT_GT(sizes[1], sizes[2]);
    EXPECT_EQ(sizes[2], sizes[3]) << "a quantizer past 31 encodes as 31";
}

TEST_F(XvidEncrawProgram, FailsWithoutUsableInputAndWritesNothing) {
    const std::string out = dir_.file("x.m4v");
    ToolRun run = encode(dir_.file("missing.yuv"), 15, 64, 48, "25", out);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.errorText.find("missing.yuv"), std::string::npos) << run.errorText;

    const std::string shortFile = dir_.write("short.yuv", Bytes(64 * 48, 0x80));
    run = encode(shortFile, 15, 64, 48, "25", out);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.errorText.find("4608 bytes"), std::string::npos) << run.errorText;
    EXPECT_FALSE(std::filesystem::exists(out));

    run = runTool("xvid_encraw", {"-i", shortFile, "-cq", "15", "-w", "64", "-h", "48"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.errorText.find("-o"), std::string::npos) << run.errorText;
    EXPECT_NE(run.errorText.find("--help"), std::string::npos) << run.errorText;

    EXPECT_EQ(runTool("xvid_encraw", {}).exitCode, 2);
    EXPECT_EQ(runTool("xvid_encraw", {"--help"}).exitCode, 0);
}

TEST_F(XvidEncrawProgram, EncodesASizeThatIsNoMultipleOfSixteen) {
    const int width = 50;
    const int height = 30;
    const std::string yuv = dir_.write("odd.yuv", Bytes(50 * 30 * 3 / 2, 0x80));
    const std::string out = dir_.file("odd.m4v");
    ASSERT_EQ(encode(yuv, 5, width, height, "25", out).exitCode, 0);
    const auto decoded = tools::decodeFirstPicture(readFile(out), tools::VideoCodec::Mpeg4);
    EXPECT_EQ(decoded.width, width);
    EXPECT_EQ(decoded.height, height);
}

}  // namespace
}  // namespace velmora::testing
