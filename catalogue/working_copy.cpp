// SPDX-License-Identifier: GPL-3.0-or-later
#include "catalogue/working_copy.h"

#include "firmware/chunked_reader.h"
#include "firmware/file_io.h"
#include "firmware/fingerprint.h"
#include "firmware/streamed_file_writer.h"

namespace velmora {

StoredFirmware readStoredFirmware(const std::string& path, const std::function<void()>& opened) {
    ChunkedReader file(path);
    Fingerprinter fingerprint;
    // Reserved, not zero-filled: the bytes arrive piece by piece.
    std::vector<std::uint8_t> bytes;
    reserveForWholeFile(bytes, file.size());
    std::span<std::uint8_t> piece = file.next();
    opened();
    for (; !piece.empty(); piece = file.next()) {
        fingerprint.add(piece);
        bytes.insert(bytes.end(), piece.begin(), piece.end());
    }
    return {ByteImage(fileNameOf(path), std::move(bytes)), fingerprint.digest()};
}

void writeWorkingCopy(const std::string& path, const ByteImage& normalised) {
    StreamedFileWriter copy(path);
    copy.append(normalised.bytes());
    copy.commit();
}

}  // namespace velmora
