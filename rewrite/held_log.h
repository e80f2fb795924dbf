#pragma once

#include <string>
#include <vector>

#include "person/dialogs.h"

namespace velmora {

// The person, with the log lines of a replacement held back until the new
// firmware is committed: a line saying the picture is replaced must never
// stand in the log before that is true. Everything else passes straight on.
class HeldLog : public Dialogs {
  public:
    explicit HeldLog(Dialogs& person) : person_(person) {}

    void log(const std::string& line) override { held_.push_back(line); }
    // Hands the held lines on, in their order.
    void release() {
        for (const std::string& line : held_) person_.log(line);
        held_.clear();
    }

    void repaintLog() override { person_.repaintLog(); }
    void progress(int percent) override { person_.progress(percent); }
    void information(const std::string& caption, const std::string& text) override {
        person_.information(caption, text);
    }
    void error(const std::string& caption, const std::string& text) override {
        person_.error(caption, text);
    }
    Answer ask(Question question, const std::string& caption, const std::string& text) override {
        return person_.ask(question, caption, text);
    }
    std::optional<std::string> chooseOpenFile(const std::string& filter) override {
        return person_.chooseOpenFile(filter);
    }
    std::optional<std::string> chooseSaveFile(const std::string& filter,
                                              const std::string& proposedName) override {
        return person_.chooseSaveFile(filter, proposedName);
    }
    void openWithDesktop(const std::string& path) override { person_.openWithDesktop(path); }
    Answer approveReplacement(const PendingReplacement& pending) override {
        return person_.approveReplacement(pending);
    }

  private:
    Dialogs& person_;
    std::vector<std::string> held_;
};

}  // namespace velmora
