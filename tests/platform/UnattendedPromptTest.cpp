// Message boxes without a desktop: written to a stream, answered at once
// with the answer that changes nothing.
#include "platform/UnattendedPrompt.h"

#include <cstdio>
#include <string>

#include <gtest/gtest.h>

TEST(UnattendedPrompt, WritesCaptionAndTextOnOneLineAndKeepsTheStationRunning)
{
    struct Case {
        PromptButtons buttons;
        PromptAnswer answer;
        const char* taken;
    };
    const Case cases[] = {
        {PromptButtons::Ok, PromptAnswer::Ok, "OK"},
        {PromptButtons::OkCancel, PromptAnswer::Cancel, "Abbrechen"},
        {PromptButtons::YesNo, PromptAnswer::No, "Nein"},
        {PromptButtons::YesNoCancel, PromptAnswer::No, "Nein"},
    };
    for (const Case& c : cases) {
        char* buffer = nullptr;
        size_t size = 0;
        std::FILE* out = open_memstream(&buffer, &size);
        ASSERT_NE(out, nullptr);
        UnattendedPrompt prompt(out);
        EXPECT_EQ(prompt.Show("Zeile 1\nZeile 2", "Fehler!", PromptIcon::Error, c.buttons),
                  c.answer);
        std::fclose(out);
        EXPECT_EQ(std::string(buffer, size),
                  std::string("Wardex: [Fehler!] Zeile 1 Zeile 2 (answered: ") + c.taken + ")\n");
        std::free(buffer);
    }
}
