// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "catalogue/analysis.h"
#include "tests/catalogue/synthetic_streams.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/temp_dir.h"

namespace velmora::testing {

// Analyses bytes written to a file in a fresh folder that is also TempDir.
struct Analysed {
    TempDir dir;
    Session session;
    ScriptedDialogs ui;
    bool found = false;

    explicit Analysed(const Bytes& bytes, const std::string& name = "fw.bin") {
        session.TempDir = dir.path();
        found = testing::foundPictures(analyzeFirmware(session, ui, dir.write(name, bytes)),
                                       session, ui);
    }
    [[nodiscard]] const PictureEntry& entry(int i) const {
        return session.PictureTable[static_cast<std::size_t>(i)];
    }
};

}  // namespace velmora::testing
