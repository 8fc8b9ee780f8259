// Message boxes as QMessageBox, modal to the active window.
#pragma once

#include "platform/Prompt.h"

#include <string>
#include <utility>

class QtPrompt final : public Prompt {
public:
    // The station's own words for the buttons, translated; empty ones keep
    // Qt's.
    struct ButtonTexts {
        std::string ok, cancel, yes, no;
    };

    PromptAnswer Show(std::string_view text, std::string_view caption, PromptIcon icon,
                      PromptButtons buttons) override;
    void SetButtonTexts(ButtonTexts texts) { m_texts = std::move(texts); }

private:
    ButtonTexts m_texts;
};
