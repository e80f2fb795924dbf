#pragma once

#include "firmware/dialogs.h"

namespace velmora::bench {

// A person who says nothing and sees nothing: the analysis runs without
// any cost from the window.
class NullDialogs : public Dialogs {
  public:
    void log(const std::string&) override {}
    void progress(int) override {}
    bool askYesNo(const std::string&, const std::string&) override { return false; }
    void error(const std::string&, const std::string&) override {}
    void information(const std::string&, const std::string&) override {}
    std::optional<std::string> chooseOpenFile(const std::string&) override;
    std::optional<std::string> chooseSaveFile(const std::string&, const std::string&) override;
    void openWithDesktop(const std::string&) override {}
};

}  // namespace velmora::bench
