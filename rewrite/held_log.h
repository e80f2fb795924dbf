// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

#include "person/forwarding_dialogs.h"

namespace velmora {

// The person, with the log lines of a replacement held back until the new
// firmware is committed: a line saying the picture is replaced must never
// stand in the log before that is true. Everything else passes straight on.
class HeldLog : public ForwardingDialogs {
  public:
    using ForwardingDialogs::ForwardingDialogs;

    void log(const std::string& line) override { held_.push_back(line); }
    // Forgets the held lines equal to line (a dry run writes nothing, so
    // nothing is "written" or "replaced").
    void drop(const std::string& line) { std::erase(held_, line); }
    // Hands the held lines on, in their order.
    void release() {
        for (const std::string& line : held_) person().log(line);
        held_.clear();
    }

  private:
    std::vector<std::string> held_;
};

}  // namespace velmora
