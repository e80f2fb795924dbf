#include "media/picture_actions.h"

#include <initializer_list>
#include <string>
#include <vector>

#include "convert/run_and_wait.h"
#include "convert/work_dirs.h"
#include "firmware/file_io.h"
#include "firmware/io_error.h"
#include "media/preview_picture.h"
#include "media/save_names.h"
#include "media/stream_extraction.h"
#include "media/targa.h"
#include "media/work_files.h"

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

// The chosen picture, or none (with an error box) when the selection names no
// picture of the last analysis.
const PictureEntry* selectedPicture(const Session& session, Dialogs& ui) {
    if (session.SelectedPicture < 0 || session.SelectedPicture >= session.PictureCount ||
        session.SelectedPicture >= kMaxPictures) {
        ui.error("ERROR!", "No picture is selected.");
        return nullptr;
    }
    return &session.selected();
}

// Decodes the MPEG-2 stream file to the work TGA file; true when the decoder
// made one. An old work picture is removed first, so that it can never pass
// for this one.
bool decodeToWorkTga(const Session& session, const std::string& stream) {
    const std::string decoded = session.workFile(kDecodedFile);
    removeFileIfExists(decoded);
    (void)RunMpeg2Decode(session, stream, session.workFile(kDecodedName));
    return fileExists(decoded);
}

bool loadDecodedPicture(const std::string& path, TargaImage& image) {
    try {
        return LoadTarga(path, image);
    } catch (const IoError&) {
        return false;  // a truncated picture is a failed load, not an I/O error box
    }
}

}  // namespace

void View1Click(Session& session, Dialogs& ui, PreviewSink& preview) {
    const PictureEntry* entry = selectedPicture(session, ui);
    if (entry == nullptr) return;
    const ByteImage stored = readImageFile(session.FirmwarePath);

    if (!entry->isMpeg2()) {
        // The stream stays for the desktop's player; the window removes it at the end.
        const std::string stream = session.workFile(kPreviewMpeg4);
        writeWorkFile(stream, ExtractMpeg4Stream(stored, *entry, session.ByteSwapped));
        ui.openWithDesktop(stream);
        return;
    }

    const std::string stream = session.workFile(kPreviewMpeg2);
    const std::string decoded = session.workFile(kDecodedFile);
    const WorkFiles cleanup{stream, decoded};
    writeWorkFile(stream, ExtractMpeg2Stream(stored, *entry, session.ByteSwapped));
    TargaImage image;
    if (!decodeToWorkTga(session, stream) || !loadDecodedPicture(decoded, image)) {
        ui.error("Error!", "Error with loading TGA image!");
        return;
    }
    preview.showPreview(previewFromTarga(image, session.SelectedPicture + 1));
}

void Savevideo1Click(Session& session, Dialogs& ui) {
    const PictureEntry* entry = selectedPicture(session, ui);
    if (entry == nullptr) return;
    const ByteImage stored = readImageFile(session.FirmwarePath);
    const int number = session.SelectedPicture + 1;
    const bool mpeg2 = entry->isMpeg2();
    const auto chosen =
        ui.chooseSaveFile(mpeg2 ? kMpeg2VideoFilter : kMpeg4VideoFilter,
                          proposedSaveName(session.FirmwareName, number, mpeg2 ? ".m2v" : ".m4v"));
    if (!chosen) return;
    // Extracted whole before the file is created, so a failed read leaves no file.
    const auto streamBytes = extractPictureStream(stored, *entry, session.ByteSwapped);
    writeExtractedStream(*chosen, streamBytes);
    ui.log("Original videostream #" + std::to_string(number) + " saved.");
}

void Savepicture1Click(Session& session, Dialogs& ui) {
    const PictureEntry* entry = selectedPicture(session, ui);
    if (entry == nullptr) return;
    if (!entry->isMpeg2()) {
        ui.error("ERROR!", "Only an MPEG2 picture can be saved as a TGA picture.");
        return;
    }
    const ByteImage stored = readImageFile(session.FirmwarePath);
    const int number = session.SelectedPicture + 1;
    const std::string stream = session.workFile(kPreviewMpeg2);
    const std::string decoded = session.workFile(kDecodedFile);
    const WorkFiles cleanup{stream, decoded};
    writeWorkFile(stream, ExtractMpeg2Stream(stored, *entry, session.ByteSwapped));

    const auto chosen =
        ui.chooseSaveFile(kTargaFilter, proposedSaveName(session.FirmwareName, number, ""));
    if (!chosen) return;
    // The decoder writes to a work name first: a failed decoder then neither
    // counts as a saved picture nor leaves an older file of the chosen name
    // looking like this one. What it wrote must also read as a picture: a
    // decoder that failed half-way must not be reported as a saved picture.
    TargaImage image;
    if (!decodeToWorkTga(session, stream) || !loadDecodedPicture(decoded, image)) {
        ui.error("Error!", "Error with decoding the MPEG2 picture!");
        return;
    }
    writeWholeFile(*chosen + kTargaExtension, readImageFile(decoded).bytes());
    ui.log("Original TGA picture #" + std::to_string(number) + " saved.");
}

}  // namespace velmora
