// Message boxes as QMessageBox, modal to the active window.
#pragma once

#include "platform/Prompt.h"

class QtPrompt final : public Prompt {
public:
    PromptAnswer Show(std::string_view text, std::string_view caption, PromptIcon icon,
                      PromptButtons buttons) override;
};
