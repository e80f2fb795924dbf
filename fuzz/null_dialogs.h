#pragma once

#include "firmware/dialogs.h"

namespace velmora::fuzz {

// A person who says nothing and declines everything.
class NullDialogs : public Dialogs {
  public:
    void log(const std::string&) override {}
    void progress(int) override {}
    bool askYesNo(const std::string&, const std::string&) override { return false; }
    void error(const std::string&, const std::string&) override {}
    void information(const std::string&, const std::string&) override {}
    std::optional<std::string> chooseOpenFile(const std::string&) override { return {}; }
    std::optional<std::string> chooseSaveFile(const std::string&, const std::string&) override {
        return {};
    }
    void openWithDesktop(const std::string&) override {}
};

// A private work folder for one fuzzing process, removed at exit.
const std::string& workFolder();

}  // namespace velmora::fuzz
