// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "person/dialogs.h"

namespace velmora {

// The person, reached through another: passes everything on, so that a
// wrapper changes only what it overrides.
class ForwardingDialogs : public Dialogs {
  public:
    explicit ForwardingDialogs(Dialogs& person) : person_(person) {}

    void log(const std::string& line) override { person_.log(line); }
    void repaintLog() override { person_.repaintLog(); }
    void progress(int percent) override { person_.progress(percent); }
    Answer ask(Question question, const std::string& caption, const std::string& text) override {
        return person_.ask(question, caption, text);
    }
    void error(const std::string& caption, const std::string& text) override {
        person_.error(caption, text);
    }
    void information(const std::string& caption, const std::string& text) override {
        person_.information(caption, text);
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
    Answer beginWriting() override { return person_.beginWriting(); }
    void endWriting() override { person_.endWriting(); }

  protected:
    [[nodiscard]] Dialogs& person() { return person_; }

  private:
    Dialogs& person_;
};

}  // namespace velmora
