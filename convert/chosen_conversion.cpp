// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/chosen_conversion.h"

#include "convert/builtin_conversion.h"
#include "convert/photo_preparation.h"
#include "firmware/file_io.h"

namespace velmora {

Result<ConvertedStream> convertJpegChosen(const Session& session, Dialogs& ui,
                                          const PictureEntry& entry, std::int32_t roomSize) {
    if (session.Options.Encoder == EncoderChoice::Builtin)
        return convertJpegBuiltin(session, ui, entry, roomSize);
    if (session.Options.Fit == FitMode::Stretch)
        return convertJpegToStream(session, ui, entry, roomSize);
    const std::optional<OldStreamParameters> old = oldPictureParameters(session, entry);
    if (!old) return Outcome::refused("Error!", "Error with target file creation!");
    Session fitted = session;
    fitted.SourcePath = session.workFile(kFittedSource);
    try {
        writeFittedSource(session.SourcePath, fitted.SourcePath, session.Options,
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
