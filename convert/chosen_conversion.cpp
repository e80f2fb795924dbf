// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/chosen_conversion.h"

#include "convert/builtin_conversion.h"
#include "convert/photo_preparation.h"
#include "firmware/file_io.h"

namespace velmora {

Result<ConvertedStream> convertJpegChosen(const ConversionInput& input, Dialogs& ui,
                                          const PictureEntry& entry, std::int32_t roomSize) {
    if (input.Options.Encoder == EncoderChoice::Builtin)
        return convertJpegBuiltin(input, ui, entry, roomSize);
    if (input.Options.Fit == FitMode::Stretch)
        return convertJpegToStream(input, ui, entry, roomSize);
    const std::optional<OldStreamParameters> old = oldPictureParameters(input.firmware, entry);
    if (!old) return Outcome::refused("Error!", "Error with target file creation!");
    ConversionInput fitted = input;
    fitted.SourcePath = input.settings.workFile(kFittedSource);
    try {
        writeFittedSource(input.SourcePath, fitted.SourcePath, input.Options,
                          fractionOf(old->aspect()));
    } catch (const PreparationError&) {
        removeFileIfExists(fitted.SourcePath);
        return Outcome::refused("Error!", "Error with target file creation!");
    }
    Result<ConvertedStream> converted = convertJpegToStream(fitted, ui, entry, roomSize);
    removeFileIfExists(fitted.SourcePath);
    return converted;
}

}  // namespace velmora
