#include "support/scripted_dialogs.h"

namespace velmora::testing {

void ScriptedDialogs::ShowMessage(std::string_view text) { messages.emplace_back(text); }

Answer ScriptedDialogs::AskYesNoCancel(std::string_view text, std::string_view title) {
    questions.emplace_back(text);
    titles.emplace_back(title);
    if (answers.empty()) return Answer::Cancel;
    const Answer a = answers.front();
    answers.pop_front();
    return a;
}

std::optional<std::string> ScriptedDialogs::InputBox(std::string_view prompt, std::string_view title,
                                                     std::string_view defaultText) {
    prompts.emplace_back(prompt);
    defaults.emplace_back(defaultText);
    titles.emplace_back(title);
    if (inputs.empty()) return std::nullopt;
    auto a = inputs.front();
    inputs.pop_front();
    return a;
}

}  // namespace velmora::testing
