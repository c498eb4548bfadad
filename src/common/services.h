// What the core asks of the window system: dialogs, progress, busy pointer and redraw requests.
// The desktop shell implements these with Qt; tests use scripted fakes; the command line prints.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace velmora {

enum class Answer { Yes, No, Cancel };

/// Message boxes, Yes/No/Cancel questions and input boxes.
class Dialogs {
public:
    virtual ~Dialogs() = default;
    /// A message box with an OK button only.
    virtual void ShowMessage(std::string_view text) = 0;
    /// A question with Yes, No and Cancel buttons.
    virtual Answer AskYesNoCancel(std::string_view text, std::string_view title) = 0;
    /// An input box; nullopt when cancelled.
    virtual std::optional<std::string> InputBox(std::string_view prompt, std::string_view title,
                                                std::string_view defaultText) = 0;
};

/// Window-system hooks that long work and state changes call. Every method may do nothing.
class Shell {
public:
    virtual ~Shell() = default;
    /// Moves the main progress bar to a percentage and lets pending window events run.
    virtual void ShowProgress(double /*percent*/) {}
    /// Shows the hourglass pointer (true) or the default pointer (false).
    virtual void SetBusy(bool /*busy*/) {}
    /// Asks for the spectrum plot to be drawn again (only issued while a simulation exists).
    virtual void RedrawPlot() {}
    /// Asks for the two population histograms to be drawn again.
    virtual void RedrawHistograms() {}
};

/// Dialogs that show nothing: messages are dropped, questions answer Cancel, inputs are cancelled.
class NullDialogs final : public Dialogs {
public:
    void ShowMessage(std::string_view) override {}
    Answer AskYesNoCancel(std::string_view, std::string_view) override { return Answer::Cancel; }
    std::optional<std::string> InputBox(std::string_view, std::string_view, std::string_view) override {
        return std::nullopt;
    }
};

}  // namespace velmora
