// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/support/scripted_dialogs.h"

#include <algorithm>

namespace velmora::testing {

Answer ScriptedDialogs::ask(Question question, const std::string& caption,
                            const std::string& text) {
    if (question == Question::DifferentFormat && anyFormat) {
        formatQuestions.push_back(text);
        return *anyFormat ? Answer::Yes : Answer::No;
    }
    boxes.push_back({"question", caption, text});
    questions.push_back(question);
    if (closeOn == question) return Answer::Cancelled;
    bool yes = defaultAnswer;
    if (!answers.empty()) {
        yes = answers.front();
        answers.pop_front();
    }
    return yes ? Answer::Yes : Answer::No;
}

std::optional<std::string> ScriptedDialogs::chooseOpenFile(const std::string& filter) {
    openFilters.push_back(filter);
    if (openChoices.empty()) return std::nullopt;
    auto choice = openChoices.front();
    openChoices.pop_front();
    return choice;
}

std::optional<std::string> ScriptedDialogs::chooseSaveFile(const std::string& filter,
                                                           const std::string& proposedName) {
    saveRequests.emplace_back(filter, proposedName);
    if (saveChoices.empty()) return std::nullopt;
    auto choice = saveChoices.front();
    saveChoices.pop_front();
    return choice;
}

std::string ScriptedDialogs::logText() const {
    std::string text;
    for (const auto& l : lines) text += l + "\n";
    return text;
}

bool ScriptedDialogs::hasLine(const std::string& line) const {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

bool foundPictures(const Outcome& analysed, const Session& session, Dialogs& ui) {
    return toldDone(analysed, ui) && session.PicturesFound;
}

std::vector<ScriptedDialogs::Box> errorBoxes(const ScriptedDialogs& ui) {
    std::vector<ScriptedDialogs::Box> errors;
    for (const auto& box : ui.boxes)
        if (box.kind != "question") errors.push_back(box);
    return errors;
}

bool toldDone(const Outcome& outcome, Dialogs& ui) {
    tellPerson(outcome, ui);
    return outcome.isDone();
}

}  // namespace velmora::testing
