// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "catalogue/session.h"
#include "person/dialogs.h"
#include "person/outcome.h"

namespace velmora::testing {

// A person who answers from a script and remembers everything said to them.
class ScriptedDialogs : public Dialogs {
  public:
    struct Box {
        std::string kind;  // "question", "error", "information"
        std::string caption;
        std::string text;
    };

    // Answers, taken in order; when they run out, questions get defaultAnswer
    // and file choices are cancelled. A question named in closeOn is closed
    // without an answer instead.
    std::deque<bool> answers;
    bool defaultAnswer = false;
    std::optional<Question> closeOn;
    // "Different picture format" is answered by this, aside from the script
    // (most tests write streams unlike the picture on purpose), and is kept
    // in formatQuestions; nullopt: asked and answered like any other.
    std::optional<bool> anyFormat = true;
    std::vector<std::string> formatQuestions;
    std::deque<std::optional<std::string>> openChoices;
    std::deque<std::optional<std::string>> saveChoices;

    // What was said and asked.
    std::vector<std::string> lines;
    std::vector<int> progressValues;
    std::vector<Box> boxes;
    std::vector<Question> questions;
    std::vector<std::string> openFilters;
    std::vector<std::pair<std::string, std::string>> saveRequests;  // filter, proposed name
    std::vector<std::string> openedWithDesktop;
    int logRepaints = 0;

    void log(const std::string& line) override { lines.push_back(line); }
    void repaintLog() override { ++logRepaints; }
    void progress(int percent) override { progressValues.push_back(percent); }
    Answer ask(Question question, const std::string& caption, const std::string& text) override;
    void error(const std::string& caption, const std::string& text) override {
        boxes.push_back({"error", caption, text});
    }
    void information(const std::string& caption, const std::string& text) override {
        boxes.push_back({"information", caption, text});
    }
    std::optional<std::string> chooseOpenFile(const std::string& filter) override;
    std::optional<std::string> chooseSaveFile(const std::string& filter,
                                              const std::string& proposedName) override;
    void openWithDesktop(const std::string& path) override { openedWithDesktop.push_back(path); }

    // The log as one text, lines joined by '\n'.
    [[nodiscard]] std::string logText() const;
    [[nodiscard]] bool hasLine(const std::string& line) const;
};

// The boxes that were no question: errors and information.
[[nodiscard]] std::vector<ScriptedDialogs::Box> errorBoxes(const ScriptedDialogs& ui);

// What a front end does with an action's outcome: tells the person. True when
// the action was done.
bool toldDone(const Outcome& outcome, Dialogs& ui);
// The same for an analysis: true when it was done and found pictures.
bool foundPictures(const Outcome& analysed, const Session& session, Dialogs& ui);

}  // namespace velmora::testing
