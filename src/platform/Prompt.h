// Message boxes. The core asks the operator through this interface; the Qt
// layer shows a real box, tests script the answers. Callers pass texts that
// have already been translated.
#pragma once

#include <string_view>

enum class PromptIcon { None, Information, Warning, Error, Question };

enum class PromptButtons { Ok, OkCancel, YesNo, YesNoCancel };

enum class PromptAnswer { Ok, Cancel, Yes, No };

class Prompt {
public:
    virtual ~Prompt() = default;

    virtual PromptAnswer Show(std::string_view text, std::string_view caption, PromptIcon icon,
                              PromptButtons buttons) = 0;
};
