// SPDX-License-Identifier: GPL-3.0-or-later
#include "media/stream_extraction.h"

#include "firmware/file_io.h"

namespace velmora {
namespace {

// Image byte `offset` of the byte-normalised image, from the file as stored.
std::uint8_t imageByte(const ByteImage& stored, std::int64_t offset, bool byteSwapped) {
    return stored.u8(byteSwapped ? (offset ^ 1) : offset);
}

void appendImageBytes(std::vector<std::uint8_t>& out, const ByteImage& stored, std::int64_t from,
                      std::int64_t to, bool byteSwapped) {
    if (to <= from) return;
    if (!byteSwapped) {
        const auto block = stored.view(from, to - from);
        out.insert(out.end(), block.begin(), block.end());
        return;
    }
    for (std::int64_t a = from; a < to; ++a) out.push_back(imageByte(stored, a, true));
}

}  // namespace

std::vector<std::uint8_t> ExtractMpeg2Stream(const ByteImage& stored, const PictureEntry& entry,
                                             bool byteSwapped) {
    const std::int64_t start = entry.Start;
    const std::int64_t end = entry.End;
    std::int64_t block = entry.BlockLength;
    const std::int64_t gap = entry.GapLength > 0 ? entry.GapLength : 0;
    // No gap header was met inside a stream whose block length is unknown (or
    // the picture is not fragmented): the stream lies in one piece.
    if (gap == 0 || block <= 0) block = end - start;

    std::vector<std::uint8_t> out;
    if (end > start) out.reserve(static_cast<std::size_t>(end - start));
    for (std::int64_t pos = start; pos < end; pos += block + gap) {
        const std::int64_t blockEnd = pos + block < end ? pos + block : end;
        appendImageBytes(out, stored, pos, blockEnd, byteSwapped);
    }
    return out;
}

std::vector<std::uint8_t> ExtractMpeg4Stream(const ByteImage& stored, const PictureEntry& entry,
                                             bool byteSwapped) {
    const std::int64_t first = static_cast<std::int64_t>(entry.Start) + 8;
    const std::int64_t end = entry.End;
    const std::int64_t length = end > first ? end - first : 0;

    std::vector<std::uint8_t> out(kMpeg4StreamHeader.begin(), kMpeg4StreamHeader.end());
    out.reserve(out.size() + static_cast<std::size_t>(length));
    if (!entry.WordSwapped) {
        appendImageBytes(out, stored, first, end, byteSwapped);
        return out;
    }
    // A "00cd" chunk holds the stream with the two bytes of every pair from
    // Start + 8 on exchanged; an unpaired last byte stays where it is.
    for (std::int64_t k = 0; k < length; ++k) {
        const std::int64_t partner = k ^ 1;
        const std::int64_t source = partner < length ? partner : k;
        out.push_back(imageByte(stored, first + source, byteSwapped));
    }
    return out;
}

std::vector<std::uint8_t> extractPictureStream(const ByteImage& stored, const PictureEntry& entry,
                                               bool byteSwapped) {
    return entry.isMpeg2() ? ExtractMpeg2Stream(stored, entry, byteSwapped)
                           : ExtractMpeg4Stream(stored, entry, byteSwapped);
}

void writeExtractedStream(const std::string& path, std::span<const std::uint8_t> stream) {
    writeWholeFile(path, stream);
}

}  // namespace velmora
