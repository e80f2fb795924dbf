// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "catalogue/work_control.h"
#include "person/dialogs.h"
#include "person/outcome.h"

namespace velmora {

// Keeps other Velmoras off one firmware file (and so off its NAME.orig) for
// the whole of an action, from reading it to the commit: an advisory lock on
// the file itself, held while this object lives. A Velmora that replaces the
// file renames a new one over it, so the lock is taken on the file the name
// holds once it is free (a lock on a file that was replaced meanwhile is let
// go and taken again on the new one).
class FirmwareLock {
  public:
    FirmwareLock() = default;
    explicit FirmwareLock(int fd) : fd_(fd) {}
    FirmwareLock(FirmwareLock&& other) noexcept;
    FirmwareLock& operator=(FirmwareLock&& other) noexcept;
    FirmwareLock(const FirmwareLock&) = delete;
    FirmwareLock& operator=(const FirmwareLock&) = delete;
    ~FirmwareLock();

    // False for a file that did not exist (there was nothing to keep others off).
    [[nodiscard]] bool held() const { return fd_ >= 0; }

  private:
    int fd_ = -1;
};

enum class WhenBusy { Wait, Refuse };

// Locks the firmware file path names (through links). While another Velmora
// holds it, Wait logs "NAME is being changed by another Velmora; waiting…"
// once and waits until it is free, or cancelled through control; Refuse ends
// at once with an error. A file that does not exist gives a lock that holds
// nothing (the action itself reports it). Once locked, the commit
// temporaries that killed runs left beside the file are removed: no live
// Velmora can be writing them now.
[[nodiscard]] Result<FirmwareLock> lockFirmware(const std::string& path, Dialogs& ui,
                                                const WorkControl& control,
                                                WhenBusy whenBusy = WhenBusy::Wait);

// The refusal text of a busy firmware under WhenBusy::Refuse.
[[nodiscard]] std::string firmwareBusyText(const std::string& fileName);

}  // namespace velmora
