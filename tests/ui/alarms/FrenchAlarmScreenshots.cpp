// Pictures of the alarm list and an alarm window in French, the language with
// the longest texts, so that anyone can see whether a translation is cut.
#include "AlarmListFixture.h"
#include "config/Translator.h"

#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace {

// Loaded before the fixture builds the configuration and the list, so that
// both are made in French, as after a start in that language.
struct FrenchLoaded {
    FrenchLoaded()
    {
        std::filesystem::path languages = std::filesystem::path(WARDEX_SOURCE_DIR) / "Languages";
        EXPECT_TRUE(
            Translator::Global().LoadLanguage(languages / "French.txt", languages / "English.txt"));
    }
    ~FrenchLoaded() { Translator::Global().Clear(); }
};

class FrenchAlarmScreenshots : private FrenchLoaded, public AlarmListFixture {
protected:
    static void Save(QWidget& widget, const char* name)
    {
        QDir().mkpath(WARDEX_SCREENSHOT_DIR);
        QString path = QString(WARDEX_SCREENSHOT_DIR) + "/" + name;
        EXPECT_TRUE(widget.grab().save(path, "PNG")) << path.toStdString();
    }
};

TEST_F(FrenchAlarmScreenshots, AlarmWindowAndList)
{
    ConfigNode* entry = Setting(10005);
    entry->Child("Priority")->SetInt(0);
    entry->Child("ShwAlmTxtShort")->SetInt(1);
    entry->Child("ShwAlmTxtMessage")->SetInt(1);
    entry->Child("ShwScroller")->SetInt(1);
    entry->Child("RequireConfirmComment")->SetInt(1);
    entry->Child("RequirePhrase")->SetInt(1);
    entry->Child("Phrase")->SetString("Vérifié");
    Store(10016, 3, kRecorderIp, "Caméra 4");
    Raise(10005, 3);
    std::vector<AlarmWindowDialog*> dialogs = OpenDialogs();
    ASSERT_EQ(dialogs.size(), 1u);
    for (int i = 0; i < 40; ++i)
        handling->Windows().Tick();
    Save(*dialogs[0], "alarm-window-French.png");
    QTest::keyClicks(dialogs[0]->CommentBox(), "Porte ouverte");
    QTest::mouseClick(dialogs[0]->ConfirmButton(), Qt::LeftButton);
    Save(*dialogs[0], "alarm-window-refused-French.png");
    list->resize(1500, 200);
    ASSERT_TRUE(QTest::qWaitFor([this] { return !list->PaintingHeld(); }));
    Save(*list, "alarm-list-French.png");
}

} // namespace
