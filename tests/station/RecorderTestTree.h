// A configuration tree as the station has it after start-up (defaults and the
// built-in alarm settings), quick ways to add recorders and filters, a prefix
// for shared objects private to one test, and a scoped translation table.
#pragma once

#include "config/ConfigTree.h"
#include "config/DefaultScript.h"
#include "config/Translator.h"
#include "config/TreeImage.h"
#include "events/AlarmDefaults.h"
#include "station/RecorderListPage.h"
#include "testsupport/FakePrompt.h"
#include "testsupport/TempDir.h"

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <unistd.h>

#include <gtest/gtest.h>

inline std::unique_ptr<ConfigTree> MakeRecorderTree()
{
    auto tree = std::make_unique<ConfigTree>();
    FakePrompt prompt;
    EXPECT_TRUE(tree->LoadDefaults(DefaultScript(), prompt));
    EXPECT_TRUE(RebuildAlarmDefaults(*tree));
    tree->TopFolder("Runtime")
        ->Child("GUI")
        ->Child("CPropPageRecorderAlarmSettings")
        ->Child("iNextIDForSubID")
        ->SetInt(41);
    return tree;
}

inline ConfigNode* Recorders(ConfigTree& tree)
{
    return tree.TopFolder("Program")->Child("RecorderList");
}

inline ConfigNode* AddRecorder(ConfigTree& tree, std::string_view name, std::string_view ip,
                               int32_t hybrid = 0)
{
    ConfigNode* entry = AppendRecorder(tree);
    entry->Child("Name")->SetString(name);
    entry->Child("IP")->SetString(ip);
    entry->Child("Hybrid")->SetInt(hybrid);
    return entry;
}

inline ConfigNode* FirstOfType(ConfigNode& recorder, int32_t type)
{
    return recorder.Child("AlarmSettings")->FindEntryByInt("Type", type);
}

// A filter with recorder entries of the given names.
inline ConfigNode* AddFilter(ConfigTree& tree, std::initializer_list<std::string_view> names)
{
    ConfigNode* filters = tree.TopFolder("Program")->Child("FilterList");
    ConfigNode* filter = filters->NewEntry(filters->ChildCount());
    ConfigNode* recorders = filter->Child("FilterData")->Child("Recorder");
    for (std::string_view name : names)
        recorders->NewEntry(recorders->ChildCount())->Child("Name")->SetString(name);
    return filter;
}

inline std::vector<std::string> FilterNames(ConfigNode* filter)
{
    std::vector<std::string> names;
    ConfigNode* recorders = filter->Child("FilterData")->Child("Recorder");
    for (int i = 0; i < recorders->ChildCount(); ++i)
        names.push_back(recorders->ChildAt(i)->Child("Name")->GetString());
    return names;
}

inline std::vector<uint8_t> ImageOf(const ConfigNode& node)
{
    return TreeImage::Build(node);
}

// A name prefix for shared-memory objects that nothing else uses; every
// object with it is removed when the scope ends.
class ShmPrefix {
public:
    ShmPrefix()
        : m_prefix("wdxcfg" + std::to_string(::getpid()) + "_" + std::to_string(++Counter()) + "_")
    {
    }
    ~ShmPrefix()
    {
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator("/dev/shm", error)) {
            if (entry.path().filename().string().starts_with(m_prefix))
                std::filesystem::remove(entry.path(), error);
        }
    }
    ShmPrefix(const ShmPrefix&) = delete;
    ShmPrefix& operator=(const ShmPrefix&) = delete;

    const std::string& Get() const { return m_prefix; }

private:
    static std::atomic<int>& Counter()
    {
        static std::atomic<int> counter{0};
        return counter;
    }
    std::string m_prefix;
};

// Loads translation pairs into the process-wide table for one test.
class TranslationScope {
public:
    explicit TranslationScope(
        std::initializer_list<std::pair<std::string_view, std::string_view>> pairs)
    {
        std::string file;
        for (const auto& [german, english] : pairs)
            file += "\"" + std::string(german) + "\" \"" + std::string(english) + "\"\n";
        WriteFileBytes(m_dir.File("Test.txt"), file);
        EXPECT_TRUE(Translator::Global().LoadLanguage(m_dir.File("Test.txt"), ""));
    }
    ~TranslationScope() { Translator::Global().Clear(); }
    TranslationScope(const TranslationScope&) = delete;
    TranslationScope& operator=(const TranslationScope&) = delete;

private:
    TempDir m_dir;
};
