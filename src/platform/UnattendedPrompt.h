// Message boxes for a station without a desktop, where nobody can answer:
// each writes its caption and text to standard error and takes the answer
// that changes nothing, so the station keeps running.
#pragma once

#include "platform/Prompt.h"

#include <cstdio>

// OK for a plain message. Every question the station asks is about deleting,
// confirming, overwriting or ending, so a question gets "Nein" or
// "Abbrechen".
PromptAnswer UnattendedAnswer(PromptButtons buttons);

class UnattendedPrompt final : public Prompt {
public:
    explicit UnattendedPrompt(std::FILE* out = stderr) : m_out(out) {}

    PromptAnswer Show(std::string_view text, std::string_view caption, PromptIcon icon,
                      PromptButtons buttons) override;

private:
    std::FILE* m_out;
};
