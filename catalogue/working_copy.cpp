// SPDX-License-Identifier: GPL-3.0-or-later
#include "catalogue/working_copy.h"

#include <optional>

#include "firmware/byte_order.h"
#include "firmware/chunked_reader.h"
#include "firmware/file_io.h"
#include "firmware/fingerprint.h"
#include "firmware/io_error.h"
#include "firmware/streamed_file_writer.h"

namespace velmora {
namespace {

// A swapped dump is a whole number of words; the last one of an odd-sized
// file cannot be read.
void requireWholeWords(const std::string& name, std::int64_t size) {
    if (size % 2 != 0)
        throw IoError("Read past the end of " + name + " at offset " + describeOffset(size - 1),
                      name, size - 1, {});
}

}  // namespace

ByteImage prepareWorkingImage(Session& session, Dialogs& ui, ByteImage stored) {
    session.FirstWord = stored.u16(0);
    session.ByteSwapped = isByteSwappedFirstWord(session.FirstWord);
    if (!session.ByteSwapped) return stored;

    ui.log("Firmware is byte-swapped, preparing for anlysis...");
    session.FirstWord = swapBytes(session.FirstWord);
    // Nothing is written for an odd-sized dump.
    if (stored.size() % 2 != 0) stored.require(stored.size() - 1, 2, "Read");
    std::vector<std::uint8_t> normalised = swapWordBytes(stored.bytes());
    const std::string copyPath = session.workFile(kWorkingCopy);
    writeFileAtomically(copyPath, normalised);
    ui.log("Preparing done!");
    return ByteImage(fileNameOf(copyPath), std::move(normalised));
}

ByteImage loadWorkingImage(Session& session, Dialogs& ui, const std::string& path,
                           const std::function<void()>& opened) {
    ChunkedReader file(path);
    const std::string name = fileNameOf(path);
    Fingerprinter fingerprint;
    // Reserved, not zero-filled: the bytes arrive piece by piece.
    std::vector<std::uint8_t> bytes;
    reserveForWholeFile(bytes, file.size());
    std::span<std::uint8_t> piece = file.next();
    opened();

    if (piece.size() < 2) {
        fingerprint.add(piece);
        session.FirmwareFingerprint = fingerprint.digest();
        (void)ByteImage(name, {piece.begin(), piece.end()}).u16(0);  // throws: no first word
    }
    session.FirstWord = static_cast<std::uint16_t>(piece[0] | (piece[1] << 8));
    session.ByteSwapped = isByteSwappedFirstWord(session.FirstWord);
    if (!session.ByteSwapped) {
        for (; !piece.empty(); piece = file.next()) {
            fingerprint.add(piece);
            bytes.insert(bytes.end(), piece.begin(), piece.end());
        }
        session.FirmwareFingerprint = fingerprint.digest();
        return ByteImage(name, std::move(bytes));
    }

    ui.log("Firmware is byte-swapped, preparing for anlysis...");
    session.FirstWord = swapBytes(session.FirstWord);
    requireWholeWords(name, file.size());  // nothing is written for an odd-sized dump
    const std::string copyPath = session.workFile(kWorkingCopy);
    StreamedFileWriter copy(copyPath);
    for (; !piece.empty(); piece = file.next()) {
        fingerprint.add(piece);
        swapWordBytesInPlace(piece);
        bytes.insert(bytes.end(), piece.begin(), piece.end());
        copy.append(piece);
    }
    session.FirmwareFingerprint = fingerprint.digest();
    requireWholeWords(name, static_cast<std::int64_t>(bytes.size()));  // it shrank meanwhile
    copy.commit();
    ui.log("Preparing done!");
    return ByteImage(fileNameOf(copyPath), std::move(bytes));
}

}  // namespace velmora
