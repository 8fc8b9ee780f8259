// A message box that records what it was asked and gives scripted answers.
#pragma once

#include "platform/Prompt.h"

#include <deque>
#include <string>
#include <vector>

class FakePrompt final : public Prompt {
public:
    struct Shown {
        std::string text;
        std::string caption;
        PromptIcon icon;
        PromptButtons buttons;
    };

    // Answers given in order; when none is left the box answers Ok or Yes.
    void SetNextAnswer(PromptAnswer answer) { m_answers.push_back(answer); }

    PromptAnswer Show(std::string_view text, std::string_view caption, PromptIcon icon,
                      PromptButtons buttons) override
    {
        shown.push_back({std::string(text), std::string(caption), icon, buttons});
        if (!m_answers.empty()) {
            PromptAnswer answer = m_answers.front();
            m_answers.pop_front();
            return answer;
        }
        return buttons == PromptButtons::YesNo || buttons == PromptButtons::YesNoCancel
                   ? PromptAnswer::Yes
                   : PromptAnswer::Ok;
    }

    std::vector<Shown> shown;

private:
    std::deque<PromptAnswer> m_answers;
};
