// Pictures of the alarm settings editor, every tab, in English and in the
// languages with the longest (French) and the most accented (Polish) texts,
// so that anyone can see whether a translated label is cut.
#include "ConfigPagesFixture.h"
#include "config/Translator.h"
#include "ui/config/CPropPageRecorder.h"
#include "ui/config/CPropPageRecorderAlarmSettings.h"
#include "ui/config/CPropSheetRecorder.h"

#include <QDir>
#include <QPixmap>
#include <QTabWidget>

namespace {

class LanguageScreenshots : public ConfigPagesTest,
                            public ::testing::WithParamInterface<std::string> {
protected:
    void SetUp() override
    {
        std::filesystem::path languages = std::filesystem::path(WARDEX_SOURCE_DIR) / "Languages";
        ASSERT_TRUE(Translator::Global().LoadLanguage(languages / (GetParam() + ".txt"),
                                                      languages / "English.txt"))
            << Translator::Global().LastError();
        AddRecorder(*tree, "Einfahrt Nord", "192.168.10.21");
        ASSERT_TRUE(QDir().mkpath(WARDEX_SCREENSHOT_DIR));
    }
    void TearDown() override { Translator::Global().Clear(); }
};

} // namespace

TEST_P(LanguageScreenshots, AlarmSettingsEditorTabs)
{
    CPropPageRecorder page(*tree, prompt, options);
    std::string language = GetParam();
    WhenModal<CPropSheetRecorder>([&language](CPropSheetRecorder& sheet) {
        sheet.findChild<QTabWidget*>()->setCurrentIndex(CPropSheetRecorder::kAlarmSettingsPage);
        auto* tabs = sheet.AlarmSettingsPage().findChild<QTabWidget*>();
        ASSERT_NE(tabs, nullptr);
        for (int tab = 0; tab < tabs->count(); ++tab) {
            tabs->setCurrentIndex(tab);
            QApplication::processEvents();
            QString path = QString("%1/alarm-settings-%2-%3.png")
                               .arg(WARDEX_SCREENSHOT_DIR, QString::fromStdString(language))
                               .arg(tab + 1);
            EXPECT_TRUE(sheet.grab().save(path, "PNG")) << path.toStdString();
        }
        Button(sheet, "Cancel")->click();
    });
    page.SelectRow(0);
    Button(page, "Edit")->click();
}

INSTANTIATE_TEST_SUITE_P(Languages, LanguageScreenshots,
                         ::testing::Values("English", "French", "Polish"),
                         [](const auto& info) { return info.param; });
