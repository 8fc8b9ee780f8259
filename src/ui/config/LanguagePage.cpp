#include "ui/config/LanguagePage.h"

#include "config/ConfigKeys.h"
#include "config/ConfigTree.h"
#include "config/Translator.h"
#include "ui/config/QtText.h"

#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <map>

namespace {

// Each language under its own name, so that an operator finds it whatever
// language the station speaks now.
QString NativeName(const std::string& language)
{
    static const std::map<std::string, const char*> names = {
        {"German", "Deutsch"},  {"English", "English"},  {"Spanish", "Español"},
        {"French", "Français"}, {"Italian", "Italiano"}, {"Dutch", "Nederlands"},
        {"Polish", "Polski"},
    };
    auto known = names.find(language);
    if (known == names.end() || language == known->second)
        return ToQt(language);
    return QString::fromUtf8(known->second) + " (" + ToQt(language) + ")";
}

ConfigNode* NextLanguage(ConfigNode& misc)
{
    return Find(misc, kLanguageForNextStart);
}

} // namespace

std::vector<std::string> LanguagePage::FindLanguages(const std::filesystem::path& folder)
{
    std::vector<std::string> languages = {"German"};
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
         it.increment(error)) {
        std::filesystem::path file = it->path();
        std::error_code typeError;
        if (file.extension() == ".txt" && it->is_regular_file(typeError) && file.stem() != "German")
            languages.push_back(file.stem().string());
    }
    std::sort(languages.begin() + 1, languages.end());
    return languages;
}

LanguagePage::LanguagePage(ConfigTree& tree, const std::filesystem::path& languageFolder,
                           QWidget* parent)
    : QWidget(parent), m_copy(tree, {"Program", "Configuration", "MISC"})
{
    setObjectName("LanguagePage");
    m_list = new QListWidget(this);
    m_list->setObjectName("Languages");
    ConfigNode* next = NextLanguage(m_copy.Values());
    std::string chosen = next != nullptr ? next->GetString() : std::string();
    std::vector<std::string> languages = FindLanguages(languageFolder);
    if (!chosen.empty() && std::find(languages.begin(), languages.end(), chosen) == languages.end())
        languages.push_back(chosen);
    for (const std::string& language : languages) {
        auto* item = new QListWidgetItem(NativeName(language), m_list);
        item->setData(Qt::UserRole, ToQt(language));
        if (language == chosen)
            m_list->setCurrentItem(item);
    }
    connect(m_list, &QListWidget::currentItemChanged, this, [this](QListWidgetItem* item) {
        ConfigNode* next = NextLanguage(m_copy.Values());
        if (item != nullptr && next != nullptr)
            next->SetString(FromQt(item->data(Qt::UserRole).toString()));
    });
    auto* note =
        new QLabel(ToQt(Tr("Die gewaehlte Sprache gilt ab dem naechsten Start von Wardex.")), this);
    note->setObjectName("Note");
    note->setWordWrap(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(ToQt(Tr("Sprache der Benutzeroberflaeche:")), this));
    layout->addWidget(m_list, 1);
    layout->addWidget(note);
}

void LanguagePage::Apply()
{
    m_copy.Apply();
}
