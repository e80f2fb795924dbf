// SPDX-License-Identifier: GPL-3.0-or-later
#include "catalogue/session.h"

#include "firmware/file_io.h"

namespace velmora {

std::string WorkSettings::workFile(const std::string& name) const {
    return joinPath(TempDir, name);
}

const PictureEntry* OpenedFirmware::picture(int index) const {
    if (index < 0 || index >= PictureCount || index >= kMaxPictures) return nullptr;
    return &PictureTable[static_cast<std::size_t>(index)];
}

PictureTarget selectedPicture(const Session& session) {
    return {session, session, session.SelectedPicture};
}

}  // namespace velmora
