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
    core.openSource = openReplacementSource;
    core.replace = [](Session& session, Dialogs& ui) { return replacePicture(session, ui); };
    core.view = View1Click;
    core.saveVideo = Savevideo1Click;
    core.savePicture = Savepicture1Click;
    core.savePng = savePng;
    core.play = Play1Click;
    core.restore = restoreOriginal;
    return core;
}

}  // namespace velmora
