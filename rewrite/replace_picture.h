// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

#include "catalogue/session.h"
#include "convert/chosen_conversion.h"
#include "convert/conversion_input.h"
#include "convert/jpeg_conversion.h"
#include "firmware/file_system.h"
#include "firmware/free_space.h"
#include "person/dialogs.h"
#include "person/outcome.h"
#include "rewrite/replacement_verification.h"

namespace velmora {

using JpegConverter = std::function<Result<ConvertedStream>(const ConversionInput&, Dialogs&,
                                                            const PictureEntry&, std::int32_t)>;

// What a replacement works with: the real converter and file system, or
// stand-ins that tests put in.
struct ReplacementTools {
    ReplacementTools() : ReplacementTools(convertJpegChosen) {}
    template <typename Converter>
    ReplacementTools(Converter convert,  // NOLINT: a converter alone is a set of tools
                     FileSystem& fileSystem = realFileSystem())
        : convertJpeg(std::move(convert)), files(&fileSystem) {}

    JpegConverter convertJpeg;
    FileSystem* files;
    // Proves the result sound before it is written; tests of the writer on
    // made-up images, which hold no real picture, check the layout alone.
    Verifier verify = verifyReplacement;
    // False when the caller holds the firmware's lock already (the command
    // line takes it before its analysis).
    bool lockFirmware = true;
};

// A dry run does everything up to the commit, the checks included, writes
// nothing (no backup either), and logs the regions that would change.
enum class ReplaceMode { Write, DryRun };

// The firmware file as a replacement wrote it: what the front end keeps of
// it until the next analysis.
struct WrittenFirmware {
    std::uint64_t FirmwareFingerprint = 0;  // of the file as written
    FreeSpace freeSpace;                    // the unoccupied area after the picture
};

// How a replacement ended; `written` only when the firmware was written.
struct Replacement {
    Outcome outcome;
    std::optional<WrittenFirmware> written;
};

// Takes what a replacement wrote into the opened firmware, so that the next
// replacement knows the file as it is now.
void keepWritten(OpenedFirmware& firmware, const WrittenFirmware& written);

// "Replace Image": puts the accepted source in the place of the target's
// picture, rewrites the records that point at it, the checksum of an update
// image and the stored byte order, and commits the firmware only when every
// step succeeded and the result passed every check. Before the first change
// the original is kept as NAME.orig. The log lines of the writing are held
// back until the commit succeeded. Done when the firmware was replaced (the
// result then tells the file as written); otherwise the files are unchanged.
[[nodiscard]] Replacement replacePicture(const PictureTarget& target,
                                         const ReplacementSource& source,
                                         const ReplaceOptions& options, Dialogs& ui,
                                         const ReplacementTools& tools = {},
                                         ReplaceMode mode = ReplaceMode::Write);

}  // namespace velmora
