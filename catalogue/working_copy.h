// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <string>

#include "catalogue/session.h"
#include "firmware/byte_image.h"
#include "person/dialogs.h"

namespace velmora {

// The byte-normalised working copy of a byte-swapped dump, in TempDir.
inline constexpr const char* kWorkingCopy = "$tmp.bin";

// Decides from the first word whether the dump is stored byte-swapped; if so,
// writes the byte-normalised working copy $tmp.bin to TempDir and returns its
// image, otherwise returns the stored image as it is. Sets ByteSwapped and
// FirstWord (as the working copy holds it). Throws IoError (a file shorter
// than one word, a swapped dump of odd length, a work folder not writable).
[[nodiscard]] ByteImage prepareWorkingImage(Session& session, Dialogs& ui, ByteImage stored);

// The same from the file at path in one pass: the file is read piece by
// piece, each piece taken into the fingerprint (FirmwareFingerprint, of the
// file as stored), swapped when the dump is byte-swapped and written to the
// working copy at once, so only one copy of the image is ever held.
// `opened` runs once the file is open and its first bytes are read, before
// the byte order is looked at. Throws IoError as readImageFile and
// prepareWorkingImage do.
[[nodiscard]] ByteImage loadWorkingImage(Session& session, Dialogs& ui, const std::string& path,
                                         const std::function<void()>& opened);

}  // namespace velmora
