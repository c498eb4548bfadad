// Message boxes, questions and input boxes of the desktop program.
#pragma once

#include <QPointer>
#include <QWidget>

#include "common/services.h"

namespace velmora::app {

/// The core's Dialogs shown as Qt modal boxes over a parent window.
class QtDialogs final : public Dialogs {
public:
    explicit QtDialogs(QWidget* parent = nullptr) : parent_(parent) {}
    void SetParent(QWidget* parent) { parent_ = parent; }

    void ShowMessage(std::string_view text) override;
    Answer AskYesNoCancel(std::string_view text, std::string_view title) override;
    std::optional<std::string> InputBox(std::string_view prompt, std::string_view title,
                                        std::string_view defaultText) override;

private:
    QPointer<QWidget> parent_;
};

}  // namespace velmora::app
