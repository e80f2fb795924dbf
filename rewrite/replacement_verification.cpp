// SPDX-License-Identifier: GPL-3.0-or-later
#include "rewrite/replacement_verification.h"

#include <algorithm>
#include <array>

#include "catalogue/firmware_analysis.h"
#include "firmware/byte_order.h"
#include "firmware/flash_records.h"
#include "media/stream_decoder.h"
#include "media/stream_extraction.h"
#include "person/hex_text.h"
#include "rewrite/mpeg2_placement.h"
#include "rewrite/mpeg4_placement.h"
#include "rewrite/room.h"

namespace velmora {
namespace {

using Failure = std::optional<VerificationFailure>;

constexpr std::int64_t kSector = kSectorSize;

std::string at(std::int64_t offset) {
    return "0x" + Hex8(static_cast<std::uint32_t>(offset));
}

Failure fail(const char* check, std::string text, std::string advice = {}) {
    return VerificationFailure{check, std::move(text), std::move(advice)};
}

constexpr const char* kDoesNotFitAdvice =
    "The stream does not fit where it is to go: make it smaller, or move the picture where the "
    "move is offered.";
constexpr const char* kOurFaultAdvice =
    "This is a fault of Velmora, not of the stream; the firmware was left as it was.";

// What the person can do when a check fails and the failure names nothing better.
std::string usualAdvice(const std::string& check) {
    if (check == "room" || check == "other pictures") return kDoesNotFitAdvice;
    if (check == "decoding")
        return "Make a stream of exactly one intra picture (one frame, encoded on its own).";
    if (check == "new picture")
        return "Make the stream of the picture's kind and size, with its headers in front of its "
               "one picture.";
    return kOurFaultAdvice;
}

struct Span {
    std::int64_t from;
    std::int64_t to;
};

bool overlaps(Span a, Span b) {
    return a.from < b.to && b.from < a.to;
}

bool insideAny(const std::vector<ChangedRegion>& regions, std::int64_t offset) {
    return std::any_of(regions.begin(), regions.end(), [&](const ChangedRegion& r) {
        return offset >= r.offset && offset < r.offset + r.length;
    });
}

// The first offset in [from, to) where the two images differ; -1 when none.
std::int64_t firstDifference(const ByteImage& a, const ByteImage& b, Span s) {
    const std::int64_t from = std::max<std::int64_t>(s.from, 0);
    const std::int64_t to = std::min({s.to, a.size(), b.size()});
    for (std::int64_t p = from; p < to; ++p)
        if (a.bytes()[static_cast<std::size_t>(p)] != b.bytes()[static_cast<std::size_t>(p)])
            return p;
    return -1;
}

// What another picture stands on: its stream and the records that lead to it.
std::vector<Span> spansOf(const PictureEntry& e) {
    std::vector<Span> spans{{std::int64_t{e.Start}, std::int64_t{e.End}}};
    if (e.PointerAddr != 0) {
        spans.push_back(
            {e.PointerAddr,
             std::int64_t{e.PointerAddr} + (e.isMpeg2() ? kPointerRecordSize : kFlashPointerSize)});
        if (!e.isMpeg2()) spans.push_back({e.RoomEnd, std::int64_t{e.RoomEnd} + kSizeRecordSize});
    }
    return spans;
}

Failure checkByteOrder(const VerificationInput& in) {
    const std::vector<std::uint8_t>& changed = in.changed.bytes();
    const bool sameSize = in.stored.size() == changed.size();
    bool twins = sameSize;
    if (twins && in.byteSwapped) {
        twins = in.stored.size() % 2 == 0 && swapWordBytes(in.stored) == changed;
    } else if (twins) {
        twins = std::equal(in.stored.begin(), in.stored.end(), changed.begin());
    }
    if (!twins)
        return fail("byte order", in.byteSwapped
                                      ? "Swapping the firmware back does not give the changed "
                                        "working copy."
                                      : "The bytes to be written differ from the changed image.");
    if (in.stored.size() >= 2) {
        const auto first = static_cast<std::uint16_t>(in.stored[0] | (in.stored[1] << 8));
        if (isByteSwappedFirstWord(first) != in.byteSwapped)
            return fail("byte order",
                        "The firmware's first word would no longer tell its byte order.");
    }
    return std::nullopt;
}

Failure checkChecksum(const VerificationInput& in) {
    if (!in.plan.updateImage) return std::nullopt;
    const std::size_t size = in.stored.size();
    const auto k = static_cast<std::size_t>(checksumWidth(static_cast<std::int64_t>(size)));
    if (size < k) return fail("checksum", "The update image is too small for its checksum.");
    std::uint8_t sum = 0;
    for (std::size_t i = 0; i < size - k; ++i) sum = static_cast<std::uint8_t>(sum + in.stored[i]);
    for (std::size_t i = size - k; i < size; ++i)
        if (in.stored[i] != sum)
            return fail("checksum", "The checksum byte at " + at(static_cast<std::int64_t>(i)) +
                                        " is " + Hex2(in.stored[i]) +
                                        ", the bytes before it sum to " + Hex2(sum) + ".");
    return std::nullopt;
}

Failure checkOtherPictures(const VerificationInput& in, const std::vector<ChangedRegion>& regions) {
    for (std::size_t i = 0; i < in.pictures.size(); ++i) {
        if (static_cast<int>(i) == in.replaced) continue;
        for (const Span s : spansOf(in.pictures[i])) {
            const std::string which = "picture " + std::to_string(i + 1);
            for (const ChangedRegion& r : regions)
                if (r.what != "checksum" && overlaps(s, {r.offset, r.offset + r.length}))
                    return fail("other pictures", "The " + r.what + " at " + at(r.offset) +
                                                      " would overwrite " + which + " at " +
                                                      at(s.from) + ".");
            const std::int64_t p = firstDifference(in.before, in.changed, s);
            if (p >= 0) return fail("other pictures", which + " was changed at " + at(p) + ".");
        }
    }
    return std::nullopt;
}

// The new picture may reach past its own room only into erased flash.
Failure checkRoom(const VerificationInput& in, const std::vector<ChangedRegion>& regions) {
    const PictureEntry& e = in.plan.entry;
    Span room{e.Start, e.RoomEnd};
    if (e.isMpeg2() && e.GapLength > 0) room.from -= e.GapLength;
    if (in.plan.moved)
        room = {in.plan.freeSpaceAddr,
                std::int64_t{in.plan.freeSpaceAddr} + std::max(in.plan.freeSpaceSize, 0)};
    for (const ChangedRegion& r : regions) {
        if (r.what == "checksum" || r.what == "pointer record" || r.what == "size record") continue;
        for (std::int64_t p = r.offset; p < r.offset + r.length; ++p) {
            if (p >= room.from && p < room.to) continue;
            // A byte that already holds what is written there spills nothing.
            if (in.before.contains(p, 1) && in.changed.contains(p, 1) &&
                in.before.u8(p) == in.changed.u8(p))
                continue;
            if (!in.before.contains(p, 1) || in.before.u8(p) != 0xFF)
                return fail(
                    "room",
                    "The " + r.what + " would run past its room into used flash at " + at(p) + ".");
        }
    }
    return std::nullopt;
}

Failure checkUnchanged(const VerificationInput& in, const std::vector<ChangedRegion>& regions) {
    if (in.before.size() != in.changed.size())
        return fail("unchanged bytes", "The changed image is not of the firmware's size.");
    const auto& a = in.before.bytes();
    const auto& b = in.changed.bytes();
    for (std::size_t p = 0; p < a.size(); ++p)
        if (a[p] != b[p] && !insideAny(regions, static_cast<std::int64_t>(p)))
            return fail("unchanged bytes",
                        "The byte at " + at(static_cast<std::int64_t>(p)) +
                            " was changed although the replacement does not own it.");
    return std::nullopt;
}

// A FlashPointer read back as the flash address the player would reach.
std::int64_t flashAddress(const ByteImage& image, std::int64_t at, std::uint32_t segmentBase) {
    return velmora::flashAddress(image.u32(at), segmentBase);
}

// An MPEG-2 stream with an end code of its own: the scan ends the picture at
// the first one after the sequence header.
bool hasEndCode(std::span<const std::uint8_t> stream) {
    for (std::size_t p = 8; p + 4 <= stream.size(); ++p)
        if (stream[p] == 0 && stream[p + 1] == 0 && stream[p + 2] == 1 &&
            (stream[p + 3] == 0xB7 || stream[p + 3] == 0xB9))
            return true;
    return false;
}

// The filler after a stream begins with the end code the scan accepts.
constexpr std::array<std::uint8_t, 4> kFillerEndCode{0x00, 0x00, 0x01, 0xB9};

// In place the player reads the sectors the record counts, and no further: the
// stream, its end code included, must lie within them.
Failure checkCountedSectors(const VerificationInput& in) {
    const PictureEntry& e = in.plan.entry;
    const std::int32_t sectors = countedSectors(in.before, e);
    if (sectors == 0) return std::nullopt;
    const std::int64_t sectorsEnd = std::int64_t{e.Start} - e.GapLength + sectors * kSector;
    const Mpeg2Layout layout = planMpeg2(e, in.plan.streamLength, false, in.plan.freeSpaceAddr);
    // Without an end code of its own the stream ends with the filler's.
    const std::int64_t end =
        layout.DataEnd +
        (hasEndCode(in.stream) ? 0 : static_cast<std::int64_t>(kFillerEndCode.size()));
    if (end <= sectorsEnd) return std::nullopt;
    return fail("records",
                "The stream, its end code included, ends at " + at(end) + ", past the " +
                    std::to_string(sectors) + " sectors the pointer record at " +
                    at(e.PointerAddr) + " counts (up to " + at(sectorsEnd) +
                    "): the player would read it cut short.",
                "Make the stream at most " + std::to_string(roomInCountedSectors(e, sectors)) +
                    " bytes long, or move the picture.");
}

Failure checkMpeg2Records(const VerificationInput& in) {
    const ReplacementPlan& plan = in.plan;
    const PictureEntry& e = plan.entry;
    if (!plan.moved) return checkCountedSectors(in);  // the records in place stay as they were
    const Mpeg2Layout layout = planMpeg2(e, plan.streamLength, true, plan.freeSpaceAddr);
    const ByteImage& image = in.changed;
    const std::int64_t sectors = image.u16(e.PointerAddr);
    if (sectors * kSector != layout.TailEnd - plan.freeSpaceAddr)
        return fail("records", "The pointer record at " + at(e.PointerAddr) + " counts " +
                                   std::to_string(sectors) + " sectors.");
    const std::int64_t table =
        flashAddress(image, std::int64_t{e.PointerAddr} + 2, plan.segmentBase);
    if (table != layout.TailEnd)
        return fail("records", "The pointer record at " + at(e.PointerAddr) + " leads to " +
                                   at(table) + ", not to the sector table at " +
                                   at(layout.TailEnd) + ".");
    for (std::int64_t k = 0; k < sectors; ++k) {
        const std::int64_t sector = flashAddress(image, table + 4 * k, plan.segmentBase);
        if (sector != plan.freeSpaceAddr + k * kSector)
            return fail("records", "Sector " + std::to_string(k + 1) + " of the sector table at " +
                                       at(table) + " leads to " + at(sector) + ".");
    }
    if (in.freeSpaceAfter < table + 4 * sectors)
        return fail("records", "The free-space address " + at(in.freeSpaceAfter) +
                                   " lies inside the moved picture.");
    return std::nullopt;
}

Failure checkMpeg4Records(const VerificationInput& in) {
    const ReplacementPlan& plan = in.plan;
    const PictureEntry& e = plan.entry;
    const Mpeg4Layout layout = planMpeg4(e, plan.streamLength, plan.moved, plan.freeSpaceAddr);
    const ByteImage& image = in.changed;
    const std::int64_t chunk = layout.ChunkStart;
    const std::array<std::uint8_t, 4> tag{'0', '0',
                                          static_cast<std::uint8_t>(e.WordSwapped ? 'c' : 'd'),
                                          static_cast<std::uint8_t>(e.WordSwapped ? 'd' : 'c')};
    const auto tagRead = image.view(chunk, 4);
    if (!std::equal(tag.begin(), tag.end(), tagRead.begin()))
        return fail("records", "No chunk tag at " + at(chunk) + ".");
    std::uint32_t length = image.u32(chunk + 4);
    if (e.WordSwapped)
        length = (std::uint32_t{image.u8(chunk + 4)} << 8) | image.u8(chunk + 5) |
                 (std::uint32_t{image.u8(chunk + 6)} << 24) |
                 (std::uint32_t{image.u8(chunk + 7)} << 16);
    if (length != static_cast<std::uint32_t>(plan.streamLength))
        return fail("records", "The chunk length at " + at(chunk + 4) + " says " +
                                   std::to_string(length) + " bytes, the stream has " +
                                   std::to_string(plan.streamLength) + ".");
    if (e.PointerAddr == 0) return std::nullopt;
    const auto streamLength = static_cast<std::uint32_t>(plan.streamLength);
    const std::uint32_t n = chunkBytes(streamLength);
    const std::array<std::uint8_t, 5> size = sizeRecord(streamLength);
    const auto sizeRead = image.view(e.RoomEnd, 5);
    if (!std::equal(size.begin(), size.end(), sizeRead.begin()))
        return fail("records", "The size record at " + at(e.RoomEnd) +
                                   " does not describe a chunk of " + std::to_string(n) +
                                   " bytes.");
    const std::int64_t target = flashAddress(image, e.PointerAddr, plan.segmentBase);
    if (target != chunk)
        return fail("records", "The pointer record at " + at(e.PointerAddr) + " leads to " +
                                   at(target) + ", not to the chunk at " + at(chunk) + ".");
    if (plan.moved && in.freeSpaceAfter < layout.DataEnd)
        return fail("records", "The free-space address " + at(in.freeSpaceAfter) +
                                   " lies inside the moved picture.");
    return std::nullopt;
}

// What a fresh analysis of the stored bytes finds: the one analysis "Open
// Firmware file" runs, in memory and without a word to the person.
FirmwareAnalysis analyseStored(std::span<const std::uint8_t> stored) {
    return analyseImage(ByteImage("", std::vector<std::uint8_t>(stored.begin(), stored.end())))
        .analysis;
}

std::int64_t newPictureStart(const ReplacementPlan& plan) {
    if (plan.entry.isMpeg2())
        return planMpeg2(plan.entry, plan.streamLength, plan.moved, plan.freeSpaceAddr).FirstBlock;
    return planMpeg4(plan.entry, plan.streamLength, plan.moved, plan.freeSpaceAddr).ChunkStart;
}

// The stream read back from where the plan put it, as the records lead to it.
std::vector<std::uint8_t> streamWhereWritten(const VerificationInput& in) {
    const ReplacementPlan& plan = in.plan;
    PictureEntry at = plan.entry;
    if (at.isMpeg2()) {
        const Mpeg2Layout layout = planMpeg2(at, plan.streamLength, plan.moved, plan.freeSpaceAddr);
        at.Start = static_cast<std::uint32_t>(layout.FirstBlock);
        at.End = static_cast<std::uint32_t>(layout.DataEnd);
        at.BlockLength =
            at.GapLength > 0 ? at.BlockLength : static_cast<std::int32_t>(at.End - at.Start);
    } else {
        const Mpeg4Layout layout = planMpeg4(at, plan.streamLength, plan.moved, plan.freeSpaceAddr);
        at.Start = static_cast<std::uint32_t>(layout.ChunkStart);
        at.End =
            static_cast<std::uint32_t>((layout.ChunkStart + 8 + plan.streamLength + 1) / 2 * 2);
    }
    std::vector<std::uint8_t> read = extractPictureStream(in.changed, at, false);
    if (!at.isMpeg2() && read.size() >= kMpeg4StreamHeader.size())
        read.erase(read.begin(),
                   read.begin() + static_cast<std::ptrdiff_t>(kMpeg4StreamHeader.size()));
    if (read.size() > in.stream.size()) read.resize(in.stream.size());
    return read;
}

// The scan does not list the new picture. That harms only when it stops
// there and hides other pictures, or when the records do not lead to the stream.
Failure checkUnlistedPicture(const VerificationInput& in, const FirmwareAnalysis& fresh,
                             std::int64_t start) {
    for (std::size_t i = 0; i < in.pictures.size(); ++i) {
        if (static_cast<int>(i) == in.replaced) continue;
        const PictureEntry& other = in.pictures[i];
        bool listed = false;
        for (int k = 0; k < fresh.PictureCount; ++k)
            listed = listed || fresh.PictureTable[static_cast<std::size_t>(k)].Start == other.Start;
        if (!listed)
            return fail("new picture",
                        "A fresh analysis finds no picture at " + at(start) +
                            " and no longer lists picture " + std::to_string(i + 1) + " at " +
                            at(other.Start) + ": the scan would stop at the new stream.",
                        "Make the stream of the picture's kind with its headers as the encoder "
                        "writes them by default, so that its first picture starts right after "
                        "them.");
    }
    const std::vector<std::uint8_t> read = streamWhereWritten(in);
    if (!std::equal(read.begin(), read.end(), in.stream.begin(), in.stream.end()))
        return fail("new picture", "A fresh analysis finds no picture at " + at(start) +
                                       ", and the stream read back there differs from the "
                                       "stream written.");
    if (in.notes != nullptr)
        in.notes->push_back("The new picture at " + at(start) +
                            " is written, but the program's list will not show it: the scan "
                            "passes over it. The player's records lead to it.");
    return std::nullopt;
}

Failure checkNewPicture(const VerificationInput& in, int width, int height) {
    const PictureEntry& e = in.plan.entry;
    const std::int64_t start = newPictureStart(in.plan);
    const FirmwareAnalysis fresh = analyseStored(in.stored);
    const PictureEntry* found = nullptr;
    for (int i = 0; i < fresh.PictureCount; ++i)
        if (fresh.PictureTable[static_cast<std::size_t>(i)].Start == start)
            found = &fresh.PictureTable[static_cast<std::size_t>(i)];
    if (found == nullptr) return checkUnlistedPicture(in, fresh, start);
    if (found->Kind != e.Kind || found->Width != width || found->Height != height)
        return fail("new picture", "A fresh analysis finds an MPEG" + std::to_string(found->Kind) +
                                       " picture of " + std::to_string(found->Width) + "x" +
                                       std::to_string(found->Height) + " at " + at(start) +
                                       ", not an MPEG" + std::to_string(e.Kind) + " picture of " +
                                       std::to_string(width) + "x" + std::to_string(height) + ".");
    const ByteImage stored("", std::vector<std::uint8_t>(in.stored.begin(), in.stored.end()));
    std::vector<std::uint8_t> extracted = extractPictureStream(stored, *found, fresh.ByteSwapped);
    if (!found->isMpeg2() && extracted.size() >= kMpeg4StreamHeader.size())
        extracted.erase(extracted.begin(),
                        extracted.begin() + static_cast<std::ptrdiff_t>(kMpeg4StreamHeader.size()));
    // The analysis ends a chunk on an even offset: a chunk whose end Start + 8
    // + length is odd (an odd stream, or an even one in a chunk at an odd
    // offset) is read with one pad byte more.
    const bool oddEnd =
        (std::int64_t{found->Start} + 8 + static_cast<std::int64_t>(in.stream.size())) % 2 == 1;
    const bool padded = !found->isMpeg2() && (in.stream.size() % 2 == 1 || oddEnd) &&
                        extracted.size() == in.stream.size() + 1;
    if (padded) extracted.pop_back();
    // An MPEG-2 stream without an end code of its own ends with the filler's.
    const bool endedByFiller =
        found->isMpeg2() && !hasEndCode(in.stream) &&
        extracted.size() == in.stream.size() + kFillerEndCode.size() &&
        std::equal(kFillerEndCode.begin(), kFillerEndCode.end(),
                   extracted.end() - static_cast<std::ptrdiff_t>(kFillerEndCode.size()));
    if (endedByFiller) extracted.resize(in.stream.size());
    if (!std::equal(extracted.begin(), extracted.end(), in.stream.begin(), in.stream.end()))
        return fail("new picture",
                    "The stream a fresh analysis extracts at " + at(start) +
                        " differs from the stream written (" + std::to_string(extracted.size()) +
                        " bytes, not " + std::to_string(in.stream.size()) + ").",
                    found->isMpeg2() && !hasEndCode(in.stream)
                        ? "End the stream with a sequence end code (00 00 01 B7)."
                        : "");
    return std::nullopt;
}

// A converted stream must have the picture's size; a ready-made one may bring
// its own, which the decoder tells.
Failure checkDecoding(const VerificationInput& in, DecodedPictures& decoded) {
    const PictureEntry& e = in.plan.entry;
    decoded = countDecodedPictures(in.stream, e.isMpeg2() ? VideoCodec::Mpeg2 : VideoCodec::Mpeg4);
    if (decoded.count != 1)
        return fail("decoding", "The new stream decodes to " + std::to_string(decoded.count) +
                                    " pictures, not to one.");
    if (in.plan.pictureSize && (decoded.width != e.Width || decoded.height != e.Height))
        return fail("decoding", "The new stream decodes to a picture of " +
                                    std::to_string(decoded.width) + "x" +
                                    std::to_string(decoded.height) + ", not of " +
                                    std::to_string(e.Width) + "x" + std::to_string(e.Height) + ".");
    return std::nullopt;
}

}  // namespace

std::string verificationText(const VerificationFailure& failure) {
    const std::string advice = failure.advice.empty() ? usualAdvice(failure.check) : failure.advice;
    return "The new firmware failed the check of the " + failure.check + ": " + failure.text + " " +
           advice + "\rNothing was written.";
}

std::optional<VerificationFailure> verifyLayout(const VerificationInput& in) {
    const std::vector<ChangedRegion> regions = plannedRegions(in.plan);
    if (auto f = checkByteOrder(in)) return f;
    if (auto f = checkChecksum(in)) return f;
    if (auto f = checkOtherPictures(in, regions)) return f;
    if (auto f = checkRoom(in, regions)) return f;
    if (auto f = checkUnchanged(in, regions)) return f;
    return in.plan.entry.isMpeg2() ? checkMpeg2Records(in) : checkMpeg4Records(in);
}

std::optional<VerificationFailure> verifyReplacement(const VerificationInput& in) {
    if (auto f = verifyLayout(in)) return f;
    DecodedPictures decoded;
    if (auto f = checkDecoding(in, decoded)) return f;
    return checkNewPicture(in, decoded.width, decoded.height);
}

}  // namespace velmora
