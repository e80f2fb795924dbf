// SPDX-License-Identifier: GPL-3.0-or-later
#include "catalogue/session.h"

#include "firmware/file_io.h"

namespace velmora {

std::string Session::workFile(const std::string& name) const {
    return joinPath(TempDir, name);
}

const PictureEntry* Session::selected() const {
    if (SelectedPicture < 0 || SelectedPicture >= PictureCount || SelectedPicture >= kMaxPictures)
        return nullptr;
    return &PictureTable[static_cast<std::size_t>(SelectedPicture)];
}

}  // namespace velmora
