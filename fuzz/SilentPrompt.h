// A message box for fuzz targets: answers Ok and shows nothing.
#pragma once

#include "platform/Prompt.h"

class SilentPrompt final : public Prompt {
public:
    PromptAnswer Show(std::string_view, std::string_view, PromptIcon, PromptButtons) override
    {
        return PromptAnswer::Ok;
    }
};
