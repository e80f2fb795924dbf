// SPDX-License-Identifier: GPL-3.0-or-later
#include <vector>

#include "catalogue/analysis.h"
#include "firmware/byte_order.h"
#include "firmware/file_io.h"
#include "firmware/io_error.h"
#include "fuzz/fuzz_entries.h"
#include "fuzz/work_folder.h"
#include "media/stream_extraction.h"
#include "person/silent_dialogs.h"

namespace velmora::fuzz {
namespace {

// Writes the image (the first byte chooses the stored byte order) and
// analyses it; false when the analysis refused it with an I/O error.
bool analyseStored(const std::uint8_t* data, std::size_t size, Session& session) {
    const bool storeSwapped = (data[0] & 1) != 0;
    std::vector<std::uint8_t> image(data + 1, data + size);
    if (storeSwapped) {
        if (image.size() % 2 != 0) image.push_back(0);
        image = swapWordBytes(image);
    }
    session.TempDir = workFolder();
    const std::string path = joinPath(workFolder(), "image.bin");
    writeWholeFile(path, image);
    SilentDialogs ui;
    // A clear refusal is a correct outcome for a malformed image.
    if (!analyzeFirmware(session, ui, path).isDone()) return false;
    if (session.PictureCount > kMaxPictures) std::abort();
    return true;
}

}  // namespace

int analyseImage(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    Session session;
    (void)analyseStored(data, size, session);
    return 0;
}

int extractPictures(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    Session session;
    if (!analyseStored(data, size, session)) return 0;
    const ByteImage stored = readImageFile(session.FirmwarePath);
    for (int i = 0; i < session.PictureCount; ++i) {
        const PictureEntry& e = session.PictureTable[static_cast<std::size_t>(i)];
        // A picture reaching past the file is refused, not read.
        (void)guardIo([&] {
            const auto stream = extractPictureStream(stored, e, session.ByteSwapped);
            if (stream.size() > static_cast<std::size_t>(stored.size()) + 10) std::abort();
            return Outcome::done();
        });
    }
    return 0;
}

}  // namespace velmora::fuzz
