// SPDX-License-Identifier: GPL-3.0-or-later
#include "media/picture_actions.h"

#include <sys/stat.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "firmware/file_io.h"
#include "firmware/work_file.h"
#include "media/display_aspect.h"
#include "media/first_picture.h"
#include "media/mpeg2_decoding.h"
#include "media/png_file.h"
#include "media/preview_picture.h"
#include "media/preview_work_files.h"
#include "media/save_names.h"
#include "media/stream_extraction.h"
#include "media/targa.h"

namespace velmora {
namespace {

// Deletes the work files it names when the handler ends, however it ends.
class WorkFiles {
  public:
    WorkFiles(std::initializer_list<std::string> paths) : paths_(paths) {}
    ~WorkFiles() {
        for (const auto& p : paths_) removeFileIfExists(p);
    }
    WorkFiles(const WorkFiles&) = delete;
    WorkFiles& operator=(const WorkFiles&) = delete;

  private:
    std::vector<std::string> paths_;
};

Outcome noPictureSelected() {
    return Outcome::refused(kErrorCaption, "No picture is selected.");
}

// Decodes the MPEG-2 stream file to the work TGA file; true when the decoder
// made one. An old work picture is removed first, so that it can never pass
// for this one. A decoder the person cancelled, or that ran too long, ends the
// action.
Result<bool> decodeToWorkTga(const WorkSettings& session, const std::string& stream) {
    const std::string decoded = session.workFile(kDecodedFile);
    removeFileIfExists(decoded);
    const ToolRun run = RunMpeg2Decode(session, stream, session.workFile(kDecodedName));
    if (run.end == ToolEnd::Cancelled) return Outcome::cancelled();
    if (run.end == ToolEnd::TimedOut)
        return Outcome::refused(kErrorCaption,
                                toolTimeoutText("mpeg2decode", session.Control->toolTimeout));
    return fileExists(decoded);
}

bool loadDecodedPicture(const std::string& path, TargaImage& image) {
    bool loaded = false;
    // A truncated picture is a failed load, not an I/O error box.
    const Outcome read = guardIo([&] {
        loaded = LoadTarga(path, image);
        return Outcome::done();
    });
    return read.isDone() && loaded;
}

// An MPEG-4 picture is decoded here: no tool, no work file.
Outcome viewMpeg4(const PictureTarget& target, const PictureEntry& entry, const ByteImage& stored,
                  PreviewSink& preview) {
    FirstPicture decoded = decodeFirstPicture(
        ExtractMpeg4Stream(stored, entry, target.firmware.ByteSwapped), VideoCodec::Mpeg4);
    if (!decoded.picture)
        return Outcome::refused("Error!", "Error with decoding the MPEG4 picture!");
    const int shownWidth =
        displayWidth(decoded.picture->width,
                     PixelAspect{decoded.picture->aspectNum, decoded.picture->aspectDen});
    preview.showPreview(PreviewPicture{target.picture + 1, decoded.picture->width,
                                       decoded.picture->height, std::move(decoded.picture->pixels),
                                       shownWidth});
    return Outcome::done();
}

Outcome view(const PictureTarget& target, const PictureEntry& entry, PreviewSink& preview) {
    const WorkSettings& session = target.settings;
    const ByteImage stored = readImageFile(target.firmware.FirmwarePath);
    if (!entry.isMpeg2()) return viewMpeg4(target, entry, stored, preview);

    const std::string stream = session.workFile(kPreviewMpeg2);
    const std::string decoded = session.workFile(kDecodedFile);
    const WorkFiles cleanup{stream, decoded};
    const auto streamBytes = ExtractMpeg2Stream(stored, entry, target.firmware.ByteSwapped);
    writeWorkFile(stream, streamBytes);
    const Result<bool> made = decodeToWorkTga(session, stream);
    if (!made.ok()) return made.outcome();
    TargaImage image;
    std::optional<PreviewPicture> picture;
    if (*made && loadDecodedPicture(decoded, image))
        picture = previewFromTarga(image, target.picture + 1);
    if (picture)
        picture->displayWidth = displayWidth(picture->width, mpeg2PixelAspect(streamBytes));
    if (!picture) return Outcome::refused("Error!", "Error with loading TGA image!");
    preview.showPreview(*picture);
    return Outcome::done();
}

Outcome saveStream(const PictureTarget& target, const PictureEntry& entry, Dialogs& ui) {
    const OpenedFirmware& session = target.firmware;
    const ByteImage stored = readImageFile(session.FirmwarePath);
    const int number = target.picture + 1;
    const bool mpeg2 = entry.isMpeg2();
    const auto chosen =
        ui.chooseSaveFile(mpeg2 ? kMpeg2VideoFilter : kMpeg4VideoFilter,
                          proposedSaveName(session.FirmwareName, number, mpeg2 ? ".m2v" : ".m4v"));
    if (!chosen) return Outcome::declined();
    // Extracted whole before the file is created, so a failed read leaves no file.
    const auto streamBytes = extractPictureStream(stored, entry, session.ByteSwapped);
    writeExtractedStream(*chosen, streamBytes);
    ui.log("Original videostream #" + std::to_string(number) + " saved.");
    return Outcome::done();
}

bool pathExists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

Outcome saveTarga(const PictureTarget& picture, const PictureEntry& entry, Dialogs& ui) {
    if (!entry.isMpeg2())
        return Outcome::refused(kErrorCaption,
                                "Only an MPEG2 picture can be saved as a TGA picture.");
    const WorkSettings& session = picture.settings;
    const OpenedFirmware& firmware = picture.firmware;
    const ByteImage stored = readImageFile(firmware.FirmwarePath);
    const int number = picture.picture + 1;
    const std::string stream = session.workFile(kPreviewMpeg2);
    const std::string decoded = session.workFile(kDecodedFile);
    const WorkFiles cleanup{stream, decoded};
    writeWorkFile(stream, ExtractMpeg2Stream(stored, entry, firmware.ByteSwapped));

    const auto chosen =
        ui.chooseSaveFile(kTargaFilter, proposedSaveName(firmware.FirmwareName, number, ""));
    if (!chosen) return Outcome::declined();
    // The decoder's file is saved as NAME.tga: that is the file to ask about.
    const std::string target = withExtension(*chosen, kTargaExtension);
    if (pathExists(target)) {
        const Answer answer =
            ui.ask(Question::Overwrite, kOverwriteCaption, overwriteQuestion(fileNameOf(target)));
        if (answer == Answer::No) return Outcome::declined();
        if (answer == Answer::Cancelled) return Outcome::cancelled();
    }
    // The decoder writes to a work name first: a failed decoder then neither
    // counts as a saved picture nor leaves an older file of the chosen name
    // looking like this one. What it wrote must also read as a picture: a
    // decoder that failed half-way must not be reported as a saved picture.
    const Result<bool> made = decodeToWorkTga(session, stream);
    if (!made.ok()) return made.outcome();
    TargaImage image;
    if (!*made || !loadDecodedPicture(decoded, image))
        return Outcome::refused("Error!", "Error with decoding the MPEG2 picture!");
    writeWholeFile(target, readImageFile(decoded).bytes());
    ui.log("Original TGA picture #" + std::to_string(number) + " saved.");
    return Outcome::done();
}

Outcome saveAsPng(const PictureTarget& picture, const PictureEntry& entry, Dialogs& ui) {
    const OpenedFirmware& session = picture.firmware;
    const ByteImage stored = readImageFile(session.FirmwarePath);
    const int number = picture.picture + 1;
    const auto chosen =
        ui.chooseSaveFile(kPngFilter, proposedSaveName(session.FirmwareName, number, ".png"));
    if (!chosen) return Outcome::declined();
    const std::string target = withExtension(*chosen, ".png");
    if (target != *chosen && pathExists(target)) {
        const Answer answer =
            ui.ask(Question::Overwrite, kOverwriteCaption, overwriteQuestion(fileNameOf(target)));
        if (answer == Answer::No) return Outcome::declined();
        if (answer == Answer::Cancelled) return Outcome::cancelled();
    }
    const FirstPicture decoded =
        decodeFirstPicture(extractPictureStream(stored, entry, session.ByteSwapped),
                           entry.isMpeg2() ? VideoCodec::Mpeg2 : VideoCodec::Mpeg4);
    if (!decoded.picture)
        return Outcome::refused("Error!", entry.isMpeg2()
                                              ? "Error with decoding the MPEG2 picture!"
                                              : "Error with decoding the MPEG4 picture!");
    const auto png = encodePng(*decoded.picture);
    if (!png) return Outcome::refused("Error!", "The picture cannot be written as PNG.");
    writeWholeFile(target, *png);
    ui.log("PNG picture #" + std::to_string(number) + " saved.");
    return Outcome::done();
}

Outcome play(const PictureTarget& target, const PictureEntry& entry, Dialogs& ui) {
    if (entry.isMpeg2())
        return Outcome::refused(kErrorCaption, "Only an MPEG4 picture is handed to a player.");
    const ByteImage stored = readImageFile(target.firmware.FirmwarePath);
    // The stream stays for the desktop's player; the window removes it at the end.
    const std::string stream = target.settings.workFile(kPreviewMpeg4);
    writeWorkFile(stream, ExtractMpeg4Stream(stored, entry, target.firmware.ByteSwapped));
    ui.openWithDesktop(stream);
    return Outcome::done();
}

// Runs an action on the target's picture, or refuses when there is none.
template <typename Action>
Outcome onPicture(const PictureTarget& target, Action action) {
    const PictureEntry* entry = target.entry();
    if (entry == nullptr) return noPictureSelected();
    return guardIo([&] { return action(*entry); });
}

}  // namespace

std::string overwriteQuestion(const std::string& name) {
    return name + " already exists.\rDo you want to replace it?";
}

Outcome viewPicture(const PictureTarget& target, PreviewSink& preview) {
    return onPicture(target,
                     [&](const PictureEntry& entry) { return view(target, entry, preview); });
}

Outcome saveVideo(const PictureTarget& target, Dialogs& ui) {
    return onPicture(target,
                     [&](const PictureEntry& entry) { return saveStream(target, entry, ui); });
}

Outcome savePicture(const PictureTarget& target, Dialogs& ui) {
    return onPicture(target,
                     [&](const PictureEntry& entry) { return saveTarga(target, entry, ui); });
}

Outcome savePng(const PictureTarget& target, Dialogs& ui) {
    return onPicture(target,
                     [&](const PictureEntry& entry) { return saveAsPng(target, entry, ui); });
}

Outcome playPicture(const PictureTarget& target, Dialogs& ui) {
    return onPicture(target, [&](const PictureEntry& entry) { return play(target, entry, ui); });
}

}  // namespace velmora
