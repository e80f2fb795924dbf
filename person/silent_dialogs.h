// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "person/dialogs.h"

namespace velmora {

// A person who says nothing and declines everything: for work without anyone
// watching (benchmarks, fuzzing).
class SilentDialogs : public Dialogs {
  public:
    void log(const std::string&) override {}
    void progress(int) override {}
    Answer ask(Question, const std::string&, const std::string&) override { return Answer::No; }
    void error(const std::string&, const std::string&) override {}
    void information(const std::string&, const std::string&) override {}
    std::optional<std::string> chooseOpenFile(const std::string&) override { return {}; }
    std::optional<std::string> chooseSaveFile(const std::string&, const std::string&) override {
        return {};
    }
    void openWithDesktop(const std::string&) override {}
};

}  // namespace velmora
