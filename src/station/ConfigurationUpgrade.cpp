#include "station/ConfigurationUpgrade.h"

#include "config/ConfigKeys.h"
#include "users/UserAccounts.h"

namespace {

// Version numbers that changed the meaning of stored values.
constexpr int kReversedPriorities = 31214;

template <typename Visit>
void ForEachRecorderSetting(ConfigNode& recorders, Visit visit)
{
    for (int r = 0; r < recorders.ChildCount(); ++r) {
        ConfigNode* settings = Find(*recorders.ChildAt(r), kRecorderAlarmSettings);
        if (settings == nullptr)
            continue;
        for (int e = 0; e < settings->ChildCount(); ++e) {
            if (!visit(*settings->ChildAt(e)))
                return;
        }
    }
}

} // namespace

bool UpgradeConfiguration(ConfigTree& tree, int currentVersion)
{
    if (currentVersion == 0)
        return false;
    ConfigLock lock(tree);
    ConfigNode* version = Find(tree, kConfigVersion);
    int savedVersion = version->GetInt();
    if (savedVersion >= currentVersion)
        return false;

    ConfigNode& recorders = *Find(tree, kRecorderList);
    // Older entries lack ShwAfterConfirm; the walk ends at the first of them.
    ForEachRecorderSetting(recorders, [](ConfigNode& entry) {
        ConfigNode* after = Find(entry, kSettingShowAfterConfirm);
        if (after == nullptr)
            return false;
        if (after->GetInt() == 0)
            Set(entry, kSettingDoAuto, 1);
        return true;
    });
    if (savedVersion < kReversedPriorities) {
        ForEachRecorderSetting(recorders, [](ConfigNode& entry) {
            Set(entry, kSettingPriority, 5 - Get(entry, kSettingPriority));
            return true;
        });
    }
    UpgradeUserAccounts(tree, savedVersion);
    version->SetInt(currentVersion);
    return true;
}

std::optional<std::string> LanguageForPrimaryId(int primaryLanguage)
{
    switch (primaryLanguage & 0x3FF) {
    case 9:
        return "English";
    case 10:
        return "Spanish";
    case 12:
        return "French";
    case 16:
        return "Italian";
    case 19:
        return "Dutch";
    case 21:
        return "Polish";
    default:
        return std::nullopt;
    }
}

std::filesystem::path LanguageFile(const std::filesystem::path& languagesDir,
                                   std::string_view language)
{
    bool plain = !language.empty() && language.front() != '.' &&
                 language.find('/') == std::string_view::npos && IsValidNodeName(language);
    return languagesDir / ((plain ? std::string(language) : std::string("German")) + ".txt");
}

std::string ChooseFirstStartLanguage(const std::optional<std::string>& candidate,
                                     const std::filesystem::path& languagesDir)
{
    if (candidate && std::filesystem::is_regular_file(languagesDir / (*candidate + ".txt")))
        return *candidate;
    return "German";
}
