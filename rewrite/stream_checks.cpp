// SPDX-License-Identifier: GPL-3.0-or-later
#include "rewrite/stream_checks.h"

#include <array>
#include <string>

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

}  // namespace

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
