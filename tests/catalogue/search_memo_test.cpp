// SPDX-License-Identifier: GPL-3.0-or-later
// The searches that remember what they proved give, for every start in
// increasing order, what a search from scratch gives.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "catalogue/end_code_search.h"
#include "catalogue/mpeg2_candidate.h"
#include "catalogue/mpeg4_candidate.h"
#include "catalogue/next_occurrence.h"

namespace velmora {
namespace {

using Bytes = std::vector<std::uint8_t>;

// The end-code walk as the firmware describes it, one attempt at a time.
std::int64_t plainEndCodeWalk(const Bytes& b, std::int64_t p) {
    const auto size = static_cast<std::int64_t>(b.size());
    const auto at = [&](std::int64_t i) { return b[static_cast<std::size_t>(i)]; };
    while (p < size) {
        if (at(p) != 0) {
            ++p;
            continue;
        }
        if (p + 1 >= size) return -1;
        if (at(p + 1) != 0) {
            p += 2;
            continue;
        }
        if (p + 2 >= size) return -1;
        if (at(p + 2) != 1) {
            ++p;
            continue;
        }
        if (p + 3 >= size) return -1;
        const std::uint8_t v = at(p + 3);
        p += 4;
        if (v == 0xB7 || v == 0xB9) return p < size ? p : -1;
    }
    return -1;
}

// Bytes drawn mostly from those the walk reacts to, so that walks fall in and
// out of step, find codes, miss them and run to the end.
Bytes trickyBytes(std::mt19937& random, std::size_t size, int endCodeWeight) {
    static constexpr std::uint8_t kAlphabet[] = {0x00, 0x01, 0xB3, 0x42, 0xB7, 0xB9};
    std::discrete_distribution<int> pick(
        {40.0, 25.0, 10.0, 10.0, 0.1 * endCodeWeight, 0.1 * endCodeWeight});
    Bytes b(size);
    for (auto& v : b) v = kAlphabet[pick(random)];
    return b;
}

void put(Bytes& b, std::size_t at, std::initializer_list<std::uint8_t> bytes) {
    for (std::uint8_t v : bytes) b.at(at++) = v;
}

void expectEveryStartAsPlainWalk(const Bytes& b, int stride) {
    const ByteImage image("walk.bin", b);
    EndCodeMemo memo;
    for (std::int64_t from = 0; from < image.size() + 2; from += stride) {
        ASSERT_EQ(findEndCode(image, from, memo), plainEndCodeWalk(b, from)) << "from " << from;
    }
}

TEST(EndCodeSearch, EveryStartFindsWhatAPlainWalkFinds) {
    std::mt19937 random(7);
    for (int round = 0; round < 40; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        const Bytes b = trickyBytes(random, 3000, round % 4);
        expectEveryStartAsPlainWalk(b, 1 + round % 5);
    }
}

TEST(EndCodeSearch, RunsWithoutAnyByteAboveOne) {
    // Walks in such a run never fall in step by themselves: 00 00 01 repeated
    // keeps two walks apart for good.
    Bytes b(4000, 0x00);
    for (std::size_t i = 100; i + 3 <= 3000; i += 3) put(b, i, {0, 0, 1});
    put(b, 3500, {0, 0, 1, 0xB7});
    expectEveryStartAsPlainWalk(b, 1);
    Bytes noEnd = b;
    noEnd[3503] = 0x42;
    expectEveryStartAsPlainWalk(noEnd, 1);
    // An end code that only one of the two walks in step with the run meets.
    Bytes split(4000, 0x42);
    for (std::size_t i = 100; i + 3 <= 3000; i += 3) put(split, i, {0, 0, 1});
    split[2998] = 0xB7;  // right after the last 00 00 01
    expectEveryStartAsPlainWalk(split, 1);
}

TEST(EndCodeSearch, BackToBackHeadersAndCodesAtTheVeryEnd) {
    Bytes b(2048, 0x42);
    for (std::size_t i = 0; i + 4 <= 2000; i += 4) put(b, i, {0, 0, 1, 0xB3});
    put(b, 2044, {0, 0, 1, 0xB7});  // the last thing in the file: counts as none
    expectEveryStartAsPlainWalk(b, 1);
    b[2040] = 0;
    b[2041] = 0;
    b[2042] = 1;
    b[2043] = 0xB9;  // one byte left after it: found
    expectEveryStartAsPlainWalk(b, 1);
}

TEST(NextOccurrence, FindsWhatTheImageFindsForWindowsMovingForward) {
    std::mt19937 random(11);
    static constexpr std::uint8_t kHeader[4] = {0x00, 0x00, 0x01, 0xB3};
    const Bytes b = trickyBytes(random, 20000, 0);
    const ByteImage image("scan.bin", b);
    NextOccurrence next(
        [&](std::int64_t from, std::int64_t last) { return image.find(kHeader, from, last); });
    std::int64_t from = 0;
    while (from < image.size()) {
        const std::int64_t last = from + static_cast<std::int64_t>(random() % 700);
        const std::int64_t expected = image.find(kHeader, from, last);
        ASSERT_EQ(next.find(from, last), expected) << from << ".." << last;
        from = expected >= 0 && random() % 2 == 0
                   ? expected + 1 + random() % 4
                   : from + 1 + static_cast<std::int64_t>(random() % 300);
    }
}

TEST(VideoObjectSearch, ChunksReadInOrderAsEachReadAlone) {
    std::mt19937 random(5);
    for (int round = 0; round < 20; ++round) {
        Bytes b = trickyBytes(random, 6000, 0);
        // Chunk tags of both orders, some video object codes and VOP codes.
        for (int i = 0; i < 60; ++i) {
            const std::size_t at = random() % (b.size() - 8);
            if (i % 3 == 0) put(b, at, {'0', '0', 'd', 'c', 0x40, 0x01, 0x00, 0x00});
            if (i % 3 == 1) put(b, at, {'0', '0', 'c', 'd', 0x01, 0x40, 0x00, 0x00});
            if (i % 3 == 2) put(b, at, {0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x20});
            if (i % 7 == 0) put(b, random() % (b.size() - 4), {0x00, 0x00, 0x01, 0xB6});
        }
        const ByteImage image("chunks.bin", b);
        VideoObjectMemo memo;
        for (std::int64_t q = 0; q + 8 <= image.size(); ++q) {
            const std::uint32_t w = image.u32(q);
            if (w != kChunkTagDc && w != kChunkTagCd) continue;
            const Candidate remembered = readMpeg4Chunk(image, q, memo);
            const Candidate alone = readMpeg4Chunk(image, q);
            ASSERT_EQ(remembered.outcome, alone.outcome) << q;
            EXPECT_EQ(remembered.entry.End, alone.entry.End);
            EXPECT_EQ(remembered.entry.HeaderLength, alone.entry.HeaderLength);
            EXPECT_EQ(remembered.entry.Width, alone.entry.Width);
            EXPECT_EQ(remembered.entry.Height, alone.entry.Height);
        }
    }
}

}  // namespace
}  // namespace velmora
