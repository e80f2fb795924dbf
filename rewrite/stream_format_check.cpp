// SPDX-License-Identifier: GPL-3.0-or-later
#include "rewrite/stream_format_check.h"

#include <algorithm>
#include <vector>

#include "catalogue/stream_parameters.h"
#include "media/stream_extraction.h"
#include "rewrite/replace_texts.h"

namespace velmora {

std::string differentFormatQuestion(std::span<const std::uint8_t> streamFile,
                                    std::span<const std::uint8_t> pictureStream, int kind,
                                    int number) {
    const std::vector<std::string> lines = parameterDifferences(
        readStreamParameters(streamFile, kind), readStreamParameters(pictureStream, kind), number);
    if (lines.empty()) return {};
    std::string text;
    for (const std::string& line : lines) text += line + "\r";
    return text + replace_text::kDifferentFormatQuestion;
}

Outcome checkStreamFormat(Dialogs& ui, const ByteImage& image, const PictureEntry& entry,
                          int number, std::span<const std::uint8_t> streamFile) {
    std::vector<std::uint8_t> picture = extractPictureStream(image, entry, false);
    // The header the extraction puts in front of an MPEG-4 picture is not the
    // picture's own: the firmware keeps none.
    if (!entry.isMpeg2() && picture.size() >= kMpeg4StreamHeader.size() &&
        std::equal(kMpeg4StreamHeader.begin(), kMpeg4StreamHeader.end(), picture.begin()))
        picture.erase(picture.begin(),
                      picture.begin() + static_cast<std::ptrdiff_t>(kMpeg4StreamHeader.size()));
    const std::string question = differentFormatQuestion(streamFile, picture, entry.Kind, number);
    if (question.empty()) return Outcome::done();
    switch (ui.ask(Question::DifferentFormat, replace_text::kDifferentFormatCaption, question)) {
        case Answer::Yes:
            return Outcome::done();
        case Answer::No:
            return Outcome::declined();
        case Answer::Cancelled:
            break;
    }
    return Outcome::cancelled();
}

}  // namespace velmora
