// What the benchmarks share: a message box nobody answers, and a scratch
// folder for the run.
#pragma once

#include "platform/Prompt.h"

#include <cstdlib>
#include <filesystem>
#include <string>

#include <unistd.h>

class NoPrompt final : public Prompt {
public:
    PromptAnswer Show(std::string_view, std::string_view, PromptIcon, PromptButtons) override
    {
        return PromptAnswer::Ok;
    }
};

// A new folder below /tmp, removed with all it holds at the end.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::string& name)
    {
        std::string pattern = "/tmp/wardex-" + name + "-XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr)
            std::abort();
        m_path = pattern;
    }
    ~ScratchFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& Path() const { return m_path; }

private:
    std::filesystem::path m_path;
};
