// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/window_core.h"

#include "catalogue/analysis.h"
#include "convert/source_intake.h"
#include "rewrite/replace_picture.h"
#include "rewrite/restore_original.h"

namespace velmora {

WindowCore realCore() {
    WindowCore core;
    core.analyze = analyzeFirmware;
    core.gridRow = gridRow;
    core.acceptSource = acceptReplacementSource;
    core.replace = [](const PictureTarget& target, const ReplacementSource& source,
                      const ReplaceOptions& options,
                      Dialogs& ui) { return replacePicture(target, source, options, ui); };
    core.view = viewPicture;
    core.saveVideo = saveVideo;
    core.savePicture = savePicture;
    core.savePng = savePng;
    core.play = playPicture;
    core.restore = restoreOriginal;
    return core;
}

}  // namespace velmora
