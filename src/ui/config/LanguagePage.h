// The language page of the configuration sheet: the languages of the files
// in "Languages/"; the choice goes to LanguageForNextStartUp and takes
// effect at the next start. The page edits a copy that the sheet applies at
// OK.
#pragma once

#include "config/SettingsCopy.h"

#include <QWidget>
#include <filesystem>
#include <string>
#include <vector>

class ConfigTree;
class QListWidget;

class LanguagePage final : public QWidget {
    Q_OBJECT

public:
    LanguagePage(ConfigTree& tree, const std::filesystem::path& languageFolder,
                 QWidget* parent = nullptr);

    // The file names without ".txt", sorted; German is always offered.
    static std::vector<std::string> FindLanguages(const std::filesystem::path& folder);
    QListWidget* List() { return m_list; }
    void Apply();

private:
    SettingsCopy m_copy;
    QListWidget* m_list = nullptr;
};
