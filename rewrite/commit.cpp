#include "rewrite/commit.h"

#include "firmware/fingerprint.h"
#include "firmware/io_error.h"
#include "rewrite/byte_order_restore.h"
#include "rewrite/refusal.h"
#include "rewrite/replace_texts.h"

namespace velmora {
namespace {

// The firmware file as the analysis saw it, or a refusal.
ByteImage readUnchangedFirmware(const Session& session) {
    if (!fileExists(session.FirmwarePath)) throw Refusal{replace_text::kFirmwareMissing};
    ByteImage firmware = readImageFile(session.FirmwarePath);
    if (fingerprint(firmware.bytes()) != session.FirmwareFingerprint)
        throw Refusal{replace_text::kFirmwareChanged};
    return firmware;
}

bool isNormalisedTwin(const std::vector<std::uint8_t>& working,
                      const std::vector<std::uint8_t>& stored) {
    if (working.size() != stored.size() || stored.size() % 2 != 0) return false;
    for (std::size_t i = 0; i < stored.size(); i += 2)
        if (working[i] != stored[i + 1] || working[i + 1] != stored[i]) return false;
    return true;
}

}  // namespace

ReplaceTarget loadTarget(const Session& session) {
    ByteImage firmware = readUnchangedFirmware(session);
    ReplaceTarget target;
    target.storedFirmware = firmware.bytes();
    if (!session.ByteSwapped) {
        target.image = std::move(firmware);
        return target;
    }
    const std::string workingPath = session.workFile(kWorkingCopy);
    if (!fileExists(workingPath)) throw Refusal{replace_text::kWorkingCopyStale};
    target.image = readImageFile(workingPath);
    if (!isNormalisedTwin(target.image.bytes(), target.storedFirmware))
        throw Refusal{replace_text::kWorkingCopyStale};
    target.workingCopyFingerprint = fingerprint(target.image.bytes());
    return target;
}

std::vector<std::uint8_t> commitReplacement(const Session& session, const ReplaceTarget& target,
                                            const ByteImage& changed, const CommitFaults& faults) {
    (void)readUnchangedFirmware(session);
    if (!session.ByteSwapped) {
        writeFileAtomically(session.FirmwarePath, changed.bytes(), faults.firmware);
        return changed.bytes();
    }

    const std::string workingPath = session.workFile(kWorkingCopy);
    if (!fileExists(workingPath) ||
        fingerprint(readImageFile(workingPath).bytes()) != target.workingCopyFingerprint)
        throw Refusal{replace_text::kWorkingCopyStale};
    std::vector<std::uint8_t> stored = restoreStoredOrder(changed);
    writeFileAtomically(session.FirmwarePath, stored, faults.firmware);
    try {
        writeFileAtomically(workingPath, changed.bytes(), faults.workingCopy);
    } catch (const IoError& failure) {
        // The two files must stay twins: put the firmware back as it was.
        try {
            writeFileAtomically(session.FirmwarePath, target.storedFirmware);
        } catch (const IoError& rollback) {
            throw IoError(std::string(failure.what()) +
                          "; the firmware file could not be put back either: " + rollback.what());
        }
        throw;
    }
    return stored;
}

}  // namespace velmora
