// SPDX-License-Identifier: GPL-3.0-or-later
#include "firmware/free_space.h"

#include <gtest/gtest.h>

#include "firmware/io_error.h"

namespace velmora {
namespace {

constexpr std::uint16_t kPlain = 0xA1FA;

// An image that starts FA A1 and is otherwise filled with 0x55 data.
std::vector<std::uint8_t> dataImage(std::size_t size) {
    std::vector<std::uint8_t> bytes(size, 0x55);
    bytes[0] = 0xFA;
    bytes[1] = 0xA1;
    return bytes;
}

void erase(std::vector<std::uint8_t>& bytes, std::size_t from, std::size_t n) {
    std::fill_n(bytes.begin() + static_cast<std::ptrdiff_t>(from), n, 0xFF);
}

FreeSpace search(std::vector<std::uint8_t> bytes, std::uint16_t firstWord = kPlain) {
    return findFreeSpace(ByteImage("f.bin", std::move(bytes)), firstWord).free;
}

std::uint32_t dataMarker(std::vector<std::uint8_t> bytes, std::uint16_t firstWord = kPlain) {
    return findFreeSpace(ByteImage("f.bin", std::move(bytes)), firstWord).DataMarker;
}

TEST(FreeSpace, ErasedTailIsMeasuredUpTo128BytesBeforeTheEnd) {
    auto bytes = dataImage(0x200000);
    erase(bytes, 0x100000, 0x100000);
    const FreeSpace fs = search(bytes);
    EXPECT_EQ(fs.FreeSpaceAddr, 0x100000u);
    EXPECT_EQ(fs.FreeSpaceSize, 0x100000 - 128);
}

// Free space is only reported when the scan ends inside a long erased run, so
// most images here end with this erased tail (its run: 0x400 - 128 bytes).
void eraseTail(std::vector<std::uint8_t>& bytes) {
    erase(bytes, bytes.size() - 0x400, 0x400);
}

TEST(FreeSpace, LongestRunInTheMiddleIsForgottenWhenTheLastRunIsShort) {
    auto bytes = dataImage(0x10000);
    erase(bytes, 0x1000, 0x4000);
    EXPECT_EQ(search(bytes).FreeSpaceSize, 0);
    EXPECT_EQ(search(bytes).FreeSpaceAddr, 0u);
    eraseTail(bytes);
    const FreeSpace fs = search(bytes);
    EXPECT_EQ(fs.FreeSpaceAddr, 0x1000u);
    EXPECT_EQ(fs.FreeSpaceSize, 0x4000) << "exactly the erased bytes";
}

TEST(FreeSpace, LastRunOf256BytesIsNotReportedButALongerOneIs) {
    const std::size_t size = 0x4000;
    const std::size_t scanEnd = size - 128;
    auto bytes = dataImage(size);
    erase(bytes, scanEnd - 256, 256);
    EXPECT_EQ(search(bytes).FreeSpaceSize, 0);
    bytes = dataImage(size);
    erase(bytes, scanEnd - 272, 260);  // ends with a data word inside the last row
    const FreeSpace fs = search(bytes);
    EXPECT_EQ(fs.FreeSpaceAddr, scanEnd - 272);
    EXPECT_EQ(fs.FreeSpaceSize, 260);
}

TEST(FreeSpace, RunEndingInsideARowStartsAtItsOwnRow) {
    auto bytes = dataImage(0x4000);
    erase(bytes, 0x2000, 0x1008);  // ends 8 bytes into a row
    eraseTail(bytes);
    const FreeSpace fs = search(bytes);
    EXPECT_EQ(fs.FreeSpaceAddr, 0x2000u);
    EXPECT_EQ(fs.FreeSpaceSize, 0x1008);
}

TEST(FreeSpace, FirstOfTwoEqualRunsWins) {
    auto bytes = dataImage(0x8000);
    erase(bytes, 0x1000, 0x800);
    erase(bytes, 0x3000, 0x800);
    eraseTail(bytes);
    const FreeSpace fs = search(bytes);
    EXPECT_EQ(fs.FreeSpaceAddr, 0x1000u);
    EXPECT_EQ(fs.FreeSpaceSize, 0x800);
}

TEST(FreeSpace, RunsOnlyStartAtRowStarts) {
    auto bytes = dataImage(0x4000);
    erase(bytes, 0x2004, 0x1000);  // the row at 0x2000 begins with data
    eraseTail(bytes);
    const FreeSpace fs = search(bytes);
    EXPECT_EQ(fs.FreeSpaceAddr, 0x2010u);
    EXPECT_EQ(fs.FreeSpaceSize, 0x1000 - 12);
}

TEST(FreeSpace, SearchRunsOnlyOnImagesBeginningFaA1) {
    auto bytes = dataImage(0x4000);
    erase(bytes, 0x1000, 0x3000);
    EXPECT_EQ(search(bytes, 0xBE00).FreeSpaceSize, 0);
    bytes[0x100] = 0;
    EXPECT_EQ(dataMarker(bytes, 0xBE00), 0u);
}

TEST(FreeSpace, FindsTheLastMarkerRowAtRowStartsOnly) {
    auto bytes = dataImage(0x4000);
    const std::uint8_t marker[12] = {0, 0, 0, 0, 'N', 'U', 'L', 'L', ' ', 'C', 'H', 'E'};
    std::copy(std::begin(marker), std::end(marker), bytes.begin() + 0x1000);
    std::copy(std::begin(marker), std::end(marker), bytes.begin() + 0x2000);
    std::copy(std::begin(marker), std::end(marker), bytes.begin() + 0x3004);  // not a row start
    EXPECT_EQ(dataMarker(bytes), 0x2000u);
}

TEST(FreeSpace, TooShortForTheFirstRowIsAnIoError) {
    EXPECT_THROW((void)search(dataImage(11)), IoError);
    EXPECT_EQ(search(dataImage(12)).FreeSpaceSize, 0);
    std::vector<std::uint8_t> allErased(100, 0xFF);
    allErased[0] = 0xFA;
    allErased[1] = 0xA1;
    EXPECT_EQ(search(allErased).FreeSpaceSize, 0);
}

}  // namespace
}  // namespace velmora
