#include "platform/UnattendedPrompt.h"

#include <string>

PromptAnswer UnattendedAnswer(PromptButtons buttons)
{
    switch (buttons) {
    case PromptButtons::Ok:
        return PromptAnswer::Ok;
    case PromptButtons::OkCancel:
        return PromptAnswer::Cancel;
    case PromptButtons::YesNo:
    case PromptButtons::YesNoCancel:
        break;
    }
    return PromptAnswer::No;
}

PromptAnswer UnattendedPrompt::Show(std::string_view text, std::string_view caption, PromptIcon,
                                    PromptButtons buttons)
{
    // One line per box, so that a journal keeps it together.
    std::string line(text);
    for (char& c : line) {
        if (c == '\n' || c == '\r')
            c = ' ';
    }
    PromptAnswer answer = UnattendedAnswer(buttons);
    const char* taken = answer == PromptAnswer::Ok       ? "OK"
                        : answer == PromptAnswer::Cancel ? "Abbrechen"
                                                         : "Nein";
    std::fprintf(m_out, "Wardex: [%.*s] %s (answered: %s)\n", static_cast<int>(caption.size()),
                 caption.data(), line.c_str(), taken);
    std::fflush(m_out);
    return answer;
}
