// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "person/forwarding_dialogs.h"
#include "rewrite/changed_regions.h"

namespace velmora {

inline constexpr const char* kWriteChangesCaption = "Changes to be written";

// The person, who wants to see the regions a replacement changes before it
// writes them (the window's option "Show the changes before writing").
class ChangesShownFirst : public ForwardingDialogs {
  public:
    using ForwardingDialogs::ForwardingDialogs;

    Answer approveReplacement(const PendingReplacement& pending) override {
        const Answer before = ForwardingDialogs::approveReplacement(pending);
        if (before != Answer::Yes) return before;
        std::string text = "These bytes of the firmware file will change:";
        for (const ChangedRegion& region : pending.regions) {
            // Appended piece by piece: GCC 12 at -O3 takes "\r" + a temporary for an overlap.
            text += '\r';
            text += regionLine(region);
        }
        text += "\rWrite them?";
        return person().ask(Question::WriteChanges, kWriteChangesCaption, text);
    }
};

}  // namespace velmora
