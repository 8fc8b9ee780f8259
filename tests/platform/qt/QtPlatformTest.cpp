// The Qt implementations of the platform interfaces, offscreen and without
// a sound device.
#include "platform/qt/QtBeeper.h"
#include "platform/qt/QtEventDrain.h"
#include "platform/qt/QtModifierKeys.h"
#include "platform/qt/QtProfile.h"
#include "platform/qt/QtPrompt.h"
#include "platform/qt/QtSoundPlayer.h"
#include "testsupport/TempDir.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

// Clicks `button` of the message box as soon as it is shown, and notes its
// texts.
struct BoxClicker {
    explicit BoxClicker(QMessageBox::StandardButton toClick) : button(toClick) {}

    QMessageBox::StandardButton button;
    QString text;
    QString title;
    QMessageBox::Icon icon = QMessageBox::NoIcon;

    void Arm()
    {
        QTimer::singleShot(0, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            text = box->text();
            title = box->windowTitle();
            icon = box->icon();
            box->button(button)->click();
        });
    }
};

} // namespace

TEST(QtPrompt, ShowsTheTextsAndReturnsTheClickedButton)
{
    QtPrompt prompt;
    BoxClicker no(QMessageBox::No);
    no.Arm();
    EXPECT_EQ(prompt.Show("Wirklich l\xC3\xB6schen?", "Wardex", PromptIcon::Question,
                          PromptButtons::YesNo),
              PromptAnswer::No);
    EXPECT_EQ(no.text, QString::fromUtf8("Wirklich l\xC3\xB6schen?"));
    EXPECT_EQ(no.title, "Wardex");
    EXPECT_EQ(no.icon, QMessageBox::Question);

    BoxClicker cancel(QMessageBox::Cancel);
    cancel.Arm();
    EXPECT_EQ(prompt.Show("x", "y", PromptIcon::Warning, PromptButtons::YesNoCancel),
              PromptAnswer::Cancel);
    EXPECT_EQ(cancel.icon, QMessageBox::Warning);

    BoxClicker ok(QMessageBox::Ok);
    ok.Arm();
    EXPECT_EQ(prompt.Show("x", "y", PromptIcon::Error, PromptButtons::Ok), PromptAnswer::Ok);
    EXPECT_EQ(ok.icon, QMessageBox::Critical);
}

TEST(QtProfile, ValuesPersistAcrossInstances)
{
    {
        QtProfile profile("Tessaro Electronic", "wardex-test");
        profile.SetString("Database", "FlatFilePath", "/srv/wardex/AlarmDB.txt");
    }
    QtProfile again("Tessaro Electronic", "wardex-test");
    EXPECT_EQ(again.GetString("Database", "FlatFilePath", ""), "/srv/wardex/AlarmDB.txt");
    EXPECT_EQ(again.GetString("Database", "Missing", "fallback"), "fallback");
}

TEST(QtSound, SilentWithoutDeviceOrFile)
{
    QtSoundPlayer player;
    EXPECT_FALSE(player.PlayLoop("/no/such/alarm.wav"));
    player.Stop();

    QtBeeper beeper;
    beeper.Tone(500, 200);
    beeper.Beep(SystemBeep::Information);
    DrainQtEvents();
    SUCCEED() << (beeper.HasOutput() ? "with" : "without") << " an audio output";
}

TEST(QtModifierKeys, NothingHeldOffscreen)
{
    QtModifierKeys keys;
    EXPECT_FALSE(keys.ControlAndShiftHeld());
}

TEST(QtEventDrain, RunsQueuedCallsAndDeferredDeletes)
{
    int calls = 0;
    QTimer::singleShot(0, [&calls] { ++calls; });
    auto* object = new QObject;
    bool destroyed = false;
    QObject::connect(object, &QObject::destroyed, [&destroyed] { destroyed = true; });
    object->deleteLater();
    DrainQtEvents();
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(destroyed);
}
