// Message boxes without a desktop: one line on a stream, answered at once
// with the answer that changes nothing.
#include "platform/UnattendedPrompt.h"

#include <string>

#include <gtest/gtest.h>

TEST(UnattendedPrompt, WritesCaptionAndTextOnOneLineAndKeepsTheStationRunning)
{
    const std::tuple<PromptButtons, PromptAnswer, std::string> cases[] = {
        {PromptButtons::Ok, PromptAnswer::Ok, "OK"},
        {PromptButtons::OkCancel, PromptAnswer::Cancel, "Abbrechen"},
        {PromptButtons::YesNo, PromptAnswer::No, "Nein"},
        {PromptButtons::YesNoCancel, PromptAnswer::No, "Nein"},
    };
    for (const auto& [buttons, answer, taken] : cases) {
        char* text = nullptr;
        size_t size = 0;
        std::FILE* out = open_memstream(&text, &size);
        EXPECT_EQ(UnattendedPrompt(out).Show("A\nB", "Fehler!", PromptIcon::Error, buttons),
                  answer);
        std::fclose(out);
        EXPECT_EQ(std::string(text, size), "Wardex: [Fehler!] A B (answered: " + taken + ")\n");
        std::free(text);
    }
}
