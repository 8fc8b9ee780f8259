// Telegrams from a recorder on loopback, through the socket pump, the
// decoder, the database and alarm dispatch, reach the alarm list: each new
// alarm enters as one row without the list re-reading the view.
#include "AlarmListFixture.h"
#include "alarm/AlarmSettingsLookup.h"
#include "config/Clock.h"
#include "events/EventDecoder.h"
#include "net/RecorderListener.h"
#include "net/SessionHub.h"
#include "net/SocketPump.h"
#include "telegram/TelegramEncoder.h"
#include "ui/alarms/AlarmListColumns.h"

#include <QSignalSpy>
#include <functional>
#include <vector>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr uint16_t kTrackFull = 10000;

class AlarmListPumpTest : public AlarmListFixture {
protected:
    AlarmListPumpTest()
    {
        AddRecorder("127.0.0.1", "Simulator");
        CompleteRecorderSettings(*tree);
        auto listener = std::make_unique<RecorderListener>(decoder, hub);
        EXPECT_TRUE(listener->Create());
        EXPECT_TRUE(listener->Listen(0));
        port = listener->LocalPort();
        pump.Register(listener.release());
    }
    ~AlarmListPumpTest() override
    {
        if (peer >= 0)
            close(peer);
    }

    bool Connect()
    {
        peer = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<uint16_t>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        return connect(peer, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    }

    bool SendAll(const std::vector<uint8_t>& bytes)
    {
        size_t sent = 0;
        while (sent < bytes.size()) {
            ssize_t n = send(peer, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
            if (n <= 0)
                return false;
            sent += static_cast<size_t>(n);
        }
        return true;
    }

    // Runs pump rounds until the condition holds; the cap only keeps a
    // broken test from hanging.
    bool PumpUntil(const std::function<bool()>& condition)
    {
        for (int round = 0; round < 3000; ++round) {
            if (condition())
                return true;
            pump.Run(PumpLoop::Once, PumpWait::Interval);
        }
        return condition();
    }

    EventDecoder decoder{*tree, clock, *intake};
    SocketPump pump;
    SessionHub hub{pump};
    int port = 0;
    int peer = -1;
};

TEST_F(AlarmListPumpTest, TelegramsArrivingThroughThePumpEnterTheListOneRowEach)
{
    // Stored as confirmed automatically, so no window opens.
    Setting(kTrackFull, "127.0.0.1")->Child("ShowAlarmWindow")->SetInt(0);
    QSignalSpy inserted(&list->Model(), &QAbstractItemModel::rowsInserted);
    QSignalSpy reset(&list->Model(), &QAbstractItemModel::modelReset);
    QSignalSpy status(list, &AlarmListView::StatusChanged);
    constexpr int kTelegrams = 25;
    std::vector<uint8_t> bytes;
    for (int i = 0; i < kTelegrams; ++i) {
        TelegramFields fields;
        fields.typeCode = kTrackFull;
        fields.detail = 3;
        std::vector<uint8_t> telegram = EncodeTelegram(fields);
        bytes.insert(bytes.end(), telegram.begin(), telegram.end());
    }
    ASSERT_TRUE(Connect());
    ASSERT_TRUE(SendAll(bytes));
    ASSERT_TRUE(PumpUntil([&] { return list->Model().rowCount() == kTelegrams; }));

    EXPECT_EQ(database->RecordCount(), kTelegrams);
    EXPECT_EQ(inserted.count(), kTelegrams);
    EXPECT_EQ(reset.count(), 0);
    EXPECT_GE(status.count(), 1);
    EXPECT_EQ(list->StatusText(), "25 Alarme");
    EXPECT_EQ(Cell(kTelegrams - 1, kColumnRecorder), "Simulator");
    EXPECT_EQ(list->Model().CellIcon(kTelegrams - 1), StateIcon::AutoConfirmed);
}

TEST_F(AlarmListPumpTest, ANewestFirstListTakesEachTelegramAtTheTop)
{
    Setting(kTrackFull, "127.0.0.1")->Child("ShowAlarmWindow")->SetInt(0);
    Store(kTrackFull, 0, kRecorderIp, "alt");
    list->SortByColumn(kColumnArrival);
    ASSERT_TRUE(Connect());
    for (int i = 1; i <= 3; ++i) {
        TelegramFields fields;
        fields.typeCode = kTrackFull;
        fields.detail = 3;
        ASSERT_TRUE(SendAll(EncodeTelegram(fields)));
        ASSERT_TRUE(PumpUntil([&] { return list->Model().rowCount() == 1 + i; }));
        EXPECT_EQ(Cell(0, kColumnRecorder), "Simulator");
        EXPECT_EQ(Cell(i, kColumnAddInfo), "alt");
    }
}

} // namespace
