#pragma once

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

}  // namespace velmora
