// SPDX-License-Identifier: GPL-3.0-or-later
#include "rewrite/commit.h"

#include "catalogue/working_copy.h"
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
Result<ByteImage> readUnchangedFirmware(const Session& session) {
    if (!fileExists(session.FirmwarePath)) return refused(replace_text::kFirmwareMissing);
    ByteImage firmware = readImageFile(session.FirmwarePath);
    if (fingerprint(firmware.bytes()) != session.FirmwareFingerprint)
        return refused(replace_text::kFirmwareChanged);
    return firmware;
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

Result<ReplaceTarget> loadTarget(const Session& session) {
    Result<ByteImage> firmware = readUnchangedFirmware(session);
    if (!firmware.ok()) return firmware.outcome();
    ReplaceTarget target;
    target.storedFirmware = firmware->bytes();
    if (!session.ByteSwapped) {
        target.image = std::move(*firmware);
        return target;
    }
    const std::string workingPath = session.workFile(kWorkingCopy);
    if (!fileExists(workingPath)) return refused(replace_text::kWorkingCopyStale);
    target.image = readImageFile(workingPath);
    if (!isNormalisedTwin(target.image.bytes(), target.storedFirmware))
        return refused(replace_text::kWorkingCopyStale);
    target.workingCopyFingerprint = fingerprint(target.image.bytes());
    return target;
}

Result<std::vector<std::uint8_t>> commitReplacement(const Session& session,
                                                    const ReplaceTarget& target,
                                                    const ByteImage& changed, FileSystem& files) {
    if (const Result<ByteImage> firmware = readUnchangedFirmware(session); !firmware.ok())
        return firmware.outcome();
    if (!session.ByteSwapped) {
        writeFileAtomically(session.FirmwarePath, changed.bytes(), files);
        return changed.bytes();
    }

    const std::string workingPath = session.workFile(kWorkingCopy);
    if (!fileExists(workingPath) ||
        fingerprint(readImageFile(workingPath).bytes()) != target.workingCopyFingerprint)
        return refused(replace_text::kWorkingCopyStale);
    std::vector<std::uint8_t> stored = restoreStoredOrder(changed);
    writeFileAtomically(session.FirmwarePath, stored, files);
    const Outcome copyWritten = writeAtomically(workingPath, changed.bytes(), files);
    if (copyWritten.isDone()) return stored;

    // The two files must stay twins: put the firmware back as it was.
    const Outcome putBack = writeAtomically(session.FirmwarePath, target.storedFirmware, files);
    if (putBack.isDone()) return copyWritten;
    IoFailure both = copyWritten.get<IoFailure>();
    both.text +=
        "; the firmware file could not be put back either: " + putBack.get<IoFailure>().text;
    return Outcome(both);
}

}  // namespace velmora
