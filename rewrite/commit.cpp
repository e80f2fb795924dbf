// SPDX-License-Identifier: GPL-3.0-or-later
#include "rewrite/commit.h"

#include "catalogue/working_copy.h"
#include "firmware/chunked_reader.h"
#include "firmware/file_io.h"
#include "firmware/fingerprint.h"
#include "firmware/io_error.h"
#include "rewrite/byte_order_restore.h"
#include "rewrite/replace_texts.h"

namespace velmora {
namespace {

Outcome refused(const char* text) {
    return Outcome::refused(replace_text::kErrorCaption, text);
}

// The firmware file as the analysis saw it, or a refusal.
Result<ByteImage> readUnchangedFirmware(const OpenedFirmware& opened) {
    if (!fileExists(opened.FirmwarePath)) return refused(replace_text::kFirmwareMissing);
    ByteImage firmware = readImageFile(opened.FirmwarePath);
    if (fingerprint(firmware.bytes()) != opened.FirmwareFingerprint)
        return refused(replace_text::kFirmwareChanged);
    return firmware;
}

// The digest of a file, read piece by piece: no second copy in memory.
std::uint64_t fingerprintOfFile(const std::string& path) {
    ChunkedReader file(path);
    Fingerprinter digest;
    for (auto piece = file.next(); !piece.empty(); piece = file.next()) digest.add(piece);
    return digest.digest();
}

// Why the firmware is no longer as the analysis saw it; nullptr when it is.
const char* firmwareChangedSince(const OpenedFirmware& opened) {
    if (!fileExists(opened.FirmwarePath)) return replace_text::kFirmwareMissing;
    if (fingerprintOfFile(opened.FirmwarePath) != opened.FirmwareFingerprint)
        return replace_text::kFirmwareChanged;
    return nullptr;
}

bool isNormalisedTwin(const std::vector<std::uint8_t>& working,
                      const std::vector<std::uint8_t>& stored) {
    if (working.size() != stored.size() || stored.size() % 2 != 0) return false;
    for (std::size_t i = 0; i < stored.size(); i += 2)
        if (working[i] != stored[i + 1] || working[i + 1] != stored[i]) return false;
    return true;
}

Outcome writeAtomically(const std::string& path, std::span<const std::uint8_t> bytes,
                        FileSystem& files) {
    return guardIo([&] {
        writeFileAtomically(path, bytes, files);
        return Outcome::done();
    });
}

}  // namespace

std::span<const std::uint8_t> ReplaceTarget::stored() const {
    return storedFirmware.empty() ? std::span<const std::uint8_t>(image.bytes())
                                  : std::span<const std::uint8_t>(storedFirmware);
}

Result<ReplaceTarget> loadTarget(const OpenedFirmware& opened, const WorkSettings& work) {
    Result<ByteImage> firmware = readUnchangedFirmware(opened);
    if (!firmware.ok()) return firmware.outcome();
    ReplaceTarget target;
    if (!opened.ByteSwapped) {
        // The image is the firmware as stored: one copy serves both.
        target.image = std::move(*firmware);
        return target;
    }
    target.storedFirmware = firmware->bytes();
    const std::string workingPath = work.workFile(kWorkingCopy);
    if (!fileExists(workingPath)) return refused(replace_text::kWorkingCopyStale);
    target.image = readImageFile(workingPath);
    if (!isNormalisedTwin(target.image.bytes(), target.storedFirmware))
        return refused(replace_text::kWorkingCopyStale);
    target.workingCopyFingerprint = fingerprint(target.image.bytes());
    return target;
}

Result<Committed> commitReplacement(const OpenedFirmware& opened, const WorkSettings& work,
                                    const ReplaceTarget& target, const ByteImage& changed,
                                    FileSystem& files) {
    if (const char* changedSince = firmwareChangedSince(opened)) return refused(changedSince);
    if (!opened.ByteSwapped) {
        writeFileAtomically(opened.FirmwarePath, changed.bytes(), files);
        return Committed{fingerprint(changed.bytes()), {}};
    }

    const std::string workingPath = work.workFile(kWorkingCopy);
    if (!fileExists(workingPath) || fingerprintOfFile(workingPath) != target.workingCopyFingerprint)
        return refused(replace_text::kWorkingCopyStale);
    const std::uint64_t storedDigest = [&] {
        const std::vector<std::uint8_t> stored = restoreStoredOrder(changed);
        writeFileAtomically(opened.FirmwarePath, stored, files);
        return fingerprint(stored);
    }();
    const Outcome copyWritten = writeAtomically(workingPath, changed.bytes(), files);
    if (copyWritten.isDone()) return Committed{storedDigest, {}};

    // The two files must stay twins: put the firmware back as it was.
    const Outcome putBack = writeAtomically(opened.FirmwarePath, target.storedFirmware, files);
    if (putBack.isDone()) return copyWritten;
    // The firmware holds the new, verified result and stays so: what failed is
    // only the work copy, which must not stand in for it as a stale twin.
    removeFileIfExists(workingPath);
    return Committed{storedDigest, replace_text::workCopyNotRefreshed(
                                       fileNameOf(workingPath), copyWritten.get<IoFailure>().text)};
}

}  // namespace velmora
