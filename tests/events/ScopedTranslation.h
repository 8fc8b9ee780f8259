// Loads a few translation pairs into the process-wide table for one test and
// empties the table again afterwards.
#pragma once

#include "config/Translator.h"
#include "testsupport/TempDir.h"

#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

#include <gtest/gtest.h>

class ScopedTranslation {
public:
    explicit ScopedTranslation(
        std::initializer_list<std::pair<std::string_view, std::string_view>> pairs)
    {
        std::string file;
        for (const auto& [german, english] : pairs)
            file += Quote(german) + " " + Quote(english) + "\n";
        WriteFileBytes(m_dir.File("Test.txt"), file);
        EXPECT_TRUE(Translator::Global().LoadLanguage(m_dir.File("Test.txt"), ""))
            << Translator::Global().LastError();
    }
    ~ScopedTranslation() { Translator::Global().Clear(); }
    ScopedTranslation(const ScopedTranslation&) = delete;
    ScopedTranslation& operator=(const ScopedTranslation&) = delete;

private:
    static std::string Quote(std::string_view text)
    {
        std::string quoted = "\"";
        for (char c : text) {
            if (c == '"' || c == '\\')
                quoted += '\\';
            if (c == '\n')
                quoted += "\\n";
            else
                quoted += c;
        }
        return quoted + "\"";
    }

    TempDir m_dir;
};
