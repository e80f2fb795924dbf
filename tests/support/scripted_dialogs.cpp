#include "tests/support/scripted_dialogs.h"

#include <algorithm>

namespace velmora::testing {

bool ScriptedDialogs::askYesNo(const std::string& caption, const std::string& text) {
    boxes.push_back({"question", caption, text});
    if (answers.empty()) return defaultAnswer;
    const bool answer = answers.front();
    answers.pop_front();
    return answer;
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

}  // namespace velmora::testing
