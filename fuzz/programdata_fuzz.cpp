// Fuzzes a whole "programdata.bin" through what a start does with it: the
// image laid over the defaults, the language for this start, the alarm
// defaults rebuilt, every recorder's settings completed, the configuration
// upgraded, the translation file chosen by the stored language name, the
// change pass and the default user. Whatever loads must stay inside the
// languages folder, save again, and the saved image must load onto fresh
// defaults.
#include "FuzzScratch.h"
#include "SilentPrompt.h"
#include "alarm/AlarmSettingsLookup.h"
#include "config/ConfigTree.h"
#include "config/DefaultScript.h"
#include "config/TreeImage.h"
#include "config/Version.h"
#include "events/AlarmDefaults.h"
#include "station/ConfigurationUpgrade.h"
#include "users/UserAccounts.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <span>
#include <string>
#include <vector>

namespace {

// The defaults are parsed once and copied for every input.
std::unique_ptr<ConfigTree> FreshTree()
{
    static const ConfigTree* defaults = [] {
        auto* parsed = new ConfigTree;
        SilentPrompt prompt;
        if (!parsed->LoadDefaults(DefaultScript(), prompt))
            std::abort();
        return parsed;
    }();
    auto root = std::make_unique<ConfigNode>(NodeKind::Folder, "Root");
    defaults->Root()->CopyChildrenInto(*root);
    auto tree = std::make_unique<ConfigTree>();
    tree->SetRoot(std::move(root));
    return tree;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::filesystem::path image = FuzzScratch() / "programdata.bin";
    static const std::filesystem::path languages = FuzzScratch() / "Languages";
    {
        std::ofstream out(image, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    [[maybe_unused]] static const std::vector<uint8_t> defaultImage = [] {
        std::vector<uint8_t> copied = TreeImage::Build(*FreshTree()->Root());
        SilentPrompt prompt;
        ConfigTree parsed;
        if (!parsed.LoadDefaults(DefaultScript(), prompt) ||
            TreeImage::Build(*parsed.Root()) != copied)
            std::abort();
        return copied;
    }();
    std::unique_ptr<ConfigTree> tree = FreshTree();
    if (!tree->LoadImage(image.string()))
        return 0;

    ConfigNode* misc = tree->TopFolder("Program")->Child("Configuration")->Child("MISC");
    ConfigNode* language = misc->Child("Language");
    language->SetString(misc->Child("LanguageForNextStartUp")->GetString());
    std::filesystem::path file = LanguageFile(languages, language->GetString());
    if (file.parent_path() != languages || file.extension() != ".txt")
        std::abort();

    RebuildAlarmDefaults(*tree);
    CompleteRecorderSettings(*tree);
    UpgradeConfiguration(*tree, VersionNumber(ProductVersion()));
    MarkDefaultLoggedIn(*tree);

    std::vector<uint8_t> saved = TreeImage::Build(*tree->Root());
    std::unique_ptr<ConfigTree> again = FreshTree();
    if (!TreeImage::Apply(saved, *again->Root()) || TreeImage::Build(*again->Root()) != saved)
        std::abort();
    return 0;
}
