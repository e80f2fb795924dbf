// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "catalogue/session.h"
#include "convert/conversion_input.h"
#include "person/dialogs.h"
#include "person/outcome.h"
#include "rewrite/replace_picture.h"

namespace velmora::testing {

// Replaces the session's selected picture by its accepted source as the
// front ends do: the inputs taken from the session, what was written kept
// in it for the next replacement.
inline Outcome replaceInSession(Session& session, Dialogs& ui, const ReplacementTools& tools = {},
                                ReplaceMode mode = ReplaceMode::Write) {
    const Replacement replaced =
        replacePicture(selectedPicture(session), session, session.Options, ui, tools, mode);
    if (replaced.written) keepWritten(session, *replaced.written);
    return replaced.outcome;
}

// The conversion of the session's accepted source.
inline ConversionInput conversionOf(const Session& session) {
    return {session, session, session.SourcePath, session.Options};
}

}  // namespace velmora::testing
