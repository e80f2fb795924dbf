// SPDX-License-Identifier: GPL-3.0-or-later
#include "rewrite/restore_original.h"

#include "firmware/file_io.h"
#include "firmware/firmware_file_checks.h"
#include "rewrite/firmware_lock.h"
#include "rewrite/original_backup.h"
#include "rewrite/replace_texts.h"

namespace velmora {

std::string restoreQuestion(const std::string& firmwarePath) {
    return "Put the original firmware " + fileNameOf(backupPathOf(firmwarePath)) +
           " back in place of " + fileNameOf(firmwarePath) +
           "?\rEvery picture replaced since is lost.";
}

Outcome restoreOriginal(const std::string& firmwarePath, Dialogs& ui) {
    return guardIo([&] {
        const std::string backup = backupPathOf(firmwarePath);
        const std::string name = fileNameOf(backup);
        if (!fileExists(backup))
            return Outcome::refused(
                replace_text::kErrorCaption,
                "There is no " + name + " beside " + fileNameOf(firmwarePath) + " to restore.");
        if (const auto readOnly = readOnlyProblem(firmwarePath))
            return Outcome::refused(replace_text::kErrorCaption, *readOnly);
        // Not while another Velmora changes the file.
        const WorkControl uncancelled;
        const Result<FirmwareLock> lock = lockFirmware(firmwarePath, ui, uncancelled);
        if (!lock.ok()) return lock.outcome();
        const ByteImage original = readImageFile(backup);
        writeFileAtomically(firmwarePath, original.bytes());
        ui.log("Original firmware restored from " + name);
        return Outcome::done();
    });
}

}  // namespace velmora
