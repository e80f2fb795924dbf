// SPDX-License-Identifier: GPL-3.0-or-later
#include "rewrite/stream_checks.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "catalogue/picture_table.h"
#include "rewrite/replace_texts.h"

namespace velmora {
namespace {

using Code = std::array<std::uint8_t, 4>;
constexpr Code kSequenceHeader{0x00, 0x00, 0x01, 0xB3};
constexpr Code kVideoObjectPlane{0x00, 0x00, 0x01, 0xB6};
constexpr Code kVideoObject{0x00, 0x00, 0x01, 0x00};

bool codeAt(std::span<const std::uint8_t> file, std::size_t p, const Code& code) {
    return file[p] == code[0] && file[p + 1] == code[1] && file[p + 2] == code[2] &&
           file[p + 3] == code[3];
}

template <typename Match>
std::optional<std::int64_t> firstOffset(std::span<const std::uint8_t> file, Match match) {
    for (std::size_t p = 0; p + 4 <= file.size(); ++p)
        if (match(p)) return static_cast<std::int64_t>(p);
    return std::nullopt;
}

// An MPEG-4 stream names its video object layer (00 00 01 2x) right after its
// video object (00 00 01 00); an MPEG-2 stream never has that pair, since its
// picture start code (00 00 01 00) is followed by an extension or slice 01.
bool holdsVideoObjectLayer(std::span<const std::uint8_t> file) {
    int previous = -1;
    for (std::size_t p = 0; p + 4 <= file.size(); ++p) {
        if (file[p] != 0x00 || file[p + 1] != 0x00 || file[p + 2] != 0x01) continue;
        const int code = file[p + 3];
        if (previous == 0x00 && code >= 0x20 && code <= 0x2F) return true;
        previous = code;
        p += 3;
    }
    return false;
}

// The box, then the same words in the log.
Outcome refused(const char* text) {
    return Outcome::refused(replace_text::kErrorCaption, text,
                            std::string(replace_text::kErrorCaption) + " " + text);
}

constexpr std::uint8_t kUserData = 0xB2;
// What the analysis reads after the video object start code, up to and
// including the first VOP start code, in 2-byte units.
constexpr std::int64_t kHeaderLimit = 130;

// Offsets of the start codes 00 00 01 xx from `from` on, with their codes.
std::vector<std::pair<std::size_t, std::uint8_t>> startCodes(std::span<const std::uint8_t> file,
                                                             std::size_t from) {
    std::vector<std::pair<std::size_t, std::uint8_t>> codes;
    for (std::size_t p = from; p + 4 <= file.size(); ++p) {
        if (file[p] != 0x00 || file[p + 1] != 0x00 || file[p + 2] != 0x01) continue;
        codes.emplace_back(p, file[p + 3]);
        p += 3;
    }
    return codes;
}

Outcome prepareMpeg4(Dialogs& ui, std::vector<std::uint8_t>& file) {
    const StreamStart start = findStreamStart(file, kKindMpeg4);
    if (start.result != StreamStartResult::Found || !holdsVideoObjectLayer(file)) return {};
    const auto object = static_cast<std::size_t>(start.StreamOffset);
    const auto codes = startCodes(file, object + 4);
    const auto vop = std::find_if(codes.begin(), codes.end(),
                                  [](const auto& c) { return c.second == kVideoObjectPlane[3]; });
    if (vop == codes.end()) return {};  // no picture: the decoding check says so
    // Each user data runs up to the next start code.
    std::vector<std::uint8_t> kept(file.begin(),
                                   file.begin() + static_cast<std::ptrdiff_t>(object));
    std::size_t from = object;
    std::size_t dropped = 0;
    for (auto c = codes.begin(); c != vop; ++c) {
        if (c->second != kUserData) continue;
        kept.insert(kept.end(), file.begin() + static_cast<std::ptrdiff_t>(from),
                    file.begin() + static_cast<std::ptrdiff_t>(c->first));
        from = std::next(c)->first;
        dropped += from - c->first;
    }
    const auto vopAt = static_cast<std::int64_t>(vop->first - dropped);
    kept.insert(kept.end(), file.begin() + static_cast<std::ptrdiff_t>(from), file.end());
    const std::int64_t header = vopAt + 4 - (start.StreamOffset + 4);
    if (header > kHeaderLimit || header % 2 != 0)
        return Outcome::refused(replace_text::kErrorCaption,
                                replace_text::firstPictureOutOfReach(header),
                                std::string(replace_text::kErrorCaption) + " " +
                                    replace_text::firstPictureOutOfReach(header));
    if (dropped > 0) {
        file = std::move(kept);
        ui.log(replace_text::userDataDroppedLog(dropped));
    }
    return {};
}

}  // namespace

Outcome prepareReadyStream(Dialogs& ui, std::vector<std::uint8_t>& file, int kind) {
    // An MPEG-2 stream is written as it is: without an end code of its own,
    // the filler after it supplies one (00 00 01 B9) that the scan and the
    // player accept, and the verification allows for that.
    return kind == kKindMpeg2 ? Outcome::done() : prepareMpeg4(ui, file);
}

StreamStart findStreamStart(std::span<const std::uint8_t> file, int kind) {
    const auto video = firstOffset(file, [&](std::size_t p) {
        return codeAt(file, p, kSequenceHeader) || codeAt(file, p, kVideoObjectPlane);
    });
    if (!video) return {StreamStartResult::NoVideo, 0};
    if (kind == kKindMpeg2) return {StreamStartResult::Found, *video};
    const auto object =
        firstOffset(file, [&](std::size_t p) { return codeAt(file, p, kVideoObject); });
    if (!object) return {StreamStartResult::NoVolStartCode, 0};
    return {StreamStartResult::Found, *object};
}

Result<std::int64_t> checkReadyStream(Dialogs& ui, std::span<const std::uint8_t> file, int kind,
                                      std::int32_t roomSize) {
    const StreamStart start = findStreamStart(file, kind);
    if (start.result == StreamStartResult::NoVideo) return refused(replace_text::kNoVideo);
    if (start.result == StreamStartResult::NoVolStartCode)
        return refused(replace_text::kNoVolStartCode);
    // The player cannot show a stream of the other kind, and the next analysis
    // would no longer find the picture.
    if (holdsVideoObjectLayer(file) != (kind != kKindMpeg2))
        return refused(kind == kKindMpeg2 ? replace_text::kNotMpeg2 : replace_text::kNotMpeg4);
    const std::int64_t length = static_cast<std::int64_t>(file.size()) - start.StreamOffset;
    if (length > roomSize) {
        ui.log(replace_text::kLargerLog);
        switch (ui.ask(Question::Confirmation, replace_text::kConfirmCaption,
                       replace_text::kConfirmQuestion)) {
            case Answer::Yes:
                break;
            case Answer::No:
                return Outcome::declined();
            case Answer::Cancelled:
                return Outcome::cancelled();
        }
        ui.log(replace_text::kOwnRiskLog);
    }
    return start.StreamOffset;
}

Outcome checkConvertedStream(std::span<const std::uint8_t> file, int kind,
                             std::int64_t streamOffset) {
    const bool holdsVideo = findStreamStart(file, kind).result == StreamStartResult::Found &&
                            streamOffset < static_cast<std::int64_t>(file.size());
    return holdsVideo ? Outcome::done() : refused(replace_text::kNoVideo);
}

}  // namespace velmora
