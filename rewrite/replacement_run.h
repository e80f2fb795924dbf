#pragma once

#include "rewrite/commit.h"
#include "rewrite/replace_picture.h"

namespace velmora {

// replacePicture with failures injected into the commit (tests only).
bool runReplacement(Session& session, Dialogs& ui, const JpegConverter& convertJpeg,
                    const CommitFaults& faults);

}  // namespace velmora
