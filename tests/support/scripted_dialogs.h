// A Dialogs fake that records what was asked and answers from queues.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "common/services.h"

namespace velmora::testing {

class ScriptedDialogs final : public Dialogs {
public:
    std::vector<std::string> messages;              ///< texts of every message box shown
    std::vector<std::string> questions;             ///< texts of every Yes/No/Cancel question
    std::vector<std::string> titles;                ///< titles of questions and input boxes
    std::vector<std::string> prompts;               ///< prompts of every input box
    std::vector<std::string> defaults;              ///< the text each input box offered
    std::deque<Answer> answers;                     ///< answers to questions (Cancel when empty)
    std::deque<std::optional<std::string>> inputs;  ///< answers to input boxes (cancelled when empty)

    void ShowMessage(std::string_view text) override;
    Answer AskYesNoCancel(std::string_view text, std::string_view title) override;
    std::optional<std::string> InputBox(std::string_view prompt, std::string_view title,
                                        std::string_view defaultText) override;
};

/// A Shell fake that counts what the core asked for.
class CountingShell final : public Shell {
public:
    int redraws = 0;
    int histogramRedraws = 0;
    std::vector<double> progress;
    bool busy = false;
    void ShowProgress(double percent) override { progress.push_back(percent); }
    void SetBusy(bool b) override { busy = b; }
    void RedrawPlot() override { ++redraws; }
    void RedrawHistograms() override { ++histogramRedraws; }
};

}  // namespace velmora::testing
