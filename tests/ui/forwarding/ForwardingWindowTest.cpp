// The forwarding window offscreen: pictures of its looks, the buttons that
// follow the state, and closing with a queue that is then stored here.
#include "ui/forwarding/ForwardingWindow.h"

#include "config/ConfigTree.h"
#include "config/DefaultScript.h"
#include "net/ForwardingClient.h"
#include "net/NetTestSupport.h"
#include "net/RecorderListener.h"
#include "net/SessionHub.h"
#include "platform/BusyIndicator.h"
#include "testsupport/FakeBeeper.h"
#include "testsupport/FakeClock.h"
#include "testsupport/FakePrompt.h"
#include "testsupport/TempDir.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class ForwardingWindowTest : public testing::Test {
protected:
    ForwardingWindowTest()
    {
        EXPECT_TRUE(tree.LoadDefaults(DefaultScript(), prompt));
        ConfigNode* hosts = tree.TopFolder("Runtime")->Child("GUI")->Child("CDlgForwardingMain");
        hosts->NewEntry(0)->Child("strHost")->SetString("leitstelle-nord.example");
        auto listener = std::make_unique<RecorderListener>(targetSink, targetSessions);
        EXPECT_TRUE(listener->Create() && listener->Listen(0));
        targetPort = listener->LocalPort();
        targetPump.Register(listener.release());
        window = std::make_unique<ForwardingWindow>(ForwardingParts{tree, pump, localSink, prompt,
                                                                    beeper, NoBusyIndicator(),
                                                                    clock, dir.Path()},
                                                    [this] { ++closed; });
        window->show();
    }

    void Receive(int count)
    {
        std::vector<uint8_t> telegram = MakeTelegram(10001, "payload");
        for (int i = 0; i < count; ++i)
            window->Manager()->Client()->Enqueue(static_cast<int>(telegram.size()), telegram.data(),
                                                 "10.0.0.9");
    }

    QPushButton* Button(const char* text)
    {
        for (QPushButton* button : window->findChildren<QPushButton*>())
            if (button->text() == text)
                return button;
        return nullptr;
    }

    QString ReceivedText()
    {
        for (QLabel* label : window->findChildren<QLabel*>())
            if (label->text().startsWith("Alarme eingegangen"))
                return label->text();
        return {};
    }

    void Save(const char* name)
    {
        ASSERT_TRUE(QDir().mkpath(WARDEX_SCREENSHOT_DIR));
        QApplication::processEvents();
        QPixmap picture = window->grab();
        EXPECT_GE(picture.width(), 500);
        EXPECT_TRUE(picture.save(QString(WARDEX_SCREENSHOT_DIR) + "/" + name, "PNG"));
    }

    TempDir dir;
    FakePrompt prompt;
    FakeBeeper beeper;
    ConfigTree tree;
    SocketPump pump;
    FakeClock clock;
    SocketPump targetPump;
    SessionHub targetSessions{targetPump};
    RecordingSink localSink;
    RecordingSink targetSink;
    int targetPort = 0;
    int closed = 0;
    std::unique_ptr<ForwardingWindow> window;
};

} // namespace

TEST_F(ForwardingWindowTest, ThreeLooksAndTheButtonsThatGoWithThem)
{
    Receive(3);
    ASSERT_TRUE(QTest::qWaitFor([&] { return ReceivedText() == "Alarme eingegangen: 3"; }));
    EXPECT_TRUE(Button("Schliessen")->isEnabled());
    EXPECT_FALSE(Button("Stop")->isEnabled());
    Save("forwarding-stopped.png"); // the error look

    RawListener silent;
    window->StartWith("127.0.0.1:" + std::to_string(silent.Port()));
    ASSERT_TRUE(PumpUntil(pump, [&] { return window->Manager()->State() == LinkState::Greeting; }));
    EXPECT_FALSE(Button("Schliessen")->isEnabled());
    EXPECT_TRUE(Button("Stop")->isEnabled());
    Save("forwarding-connecting.png");
    Button("Stop")->click();

    window->StartWith("127.0.0.1:" + std::to_string(targetPort) + ", leitstelle-sued.example");
    ASSERT_TRUE(PumpBothUntil(pump, targetPump, [&] {
        return window->Manager()->Client()->QueueLength() == 0 && targetSink.delivered.size() == 3;
    }));
    Receive(2);
    window->Manager()->Client()->Disconnect(); // keeps the two queued for the picture
    window->Manager()->OnHostAccepted();
    Save("forwarding-connected.png");
}

TEST_F(ForwardingWindowTest, CountsAreShownByTheTimerAndOnlyToAWindowThatIsSeen)
{
    Receive(20);
    // Not laid out for each alarm, but soon after them.
    EXPECT_EQ(ReceivedText(), "Alarme eingegangen: 0");
    EXPECT_TRUE(QTest::qWaitFor([&] { return ReceivedText() == "Alarme eingegangen: 20"; }));
    window->hide();
    Receive(5);
    window->Manager()->Refresh(); // as a timer would
    EXPECT_EQ(ReceivedText(), "Alarme eingegangen: 20");
    window->show();
    EXPECT_EQ(ReceivedText(), "Alarme eingegangen: 25");
}

TEST_F(ForwardingWindowTest, ClosingWithAQueueStoresItHereAndTellsTheOwner)
{
    Receive(4);
    window->findChild<QComboBox*>()->setEditText("zentrale:31000");
    window->close(); // the close box
    EXPECT_EQ(localSink.delivered.size(), 4u);
    EXPECT_EQ(closed, 1);
    EXPECT_EQ(window->Manager(), nullptr);
    EXPECT_FALSE(window->isVisible());
    // The host typed last is the selected entry next time.
    ConfigNode* hosts = tree.TopFolder("Runtime")->Child("GUI")->Child("CDlgForwardingMain");
    ASSERT_EQ(hosts->ChildCount(), 2);
    EXPECT_EQ(hosts->ChildAt(1)->Child("strHost")->GetString(), "zentrale:31000");
    EXPECT_EQ(hosts->ChildAt(1)->Child("bIsSelected")->GetInt(), 1);
}
