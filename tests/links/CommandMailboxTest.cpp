// The command mailbox: its layout, taking records out in order, the limit of
// 25, subscriptions and notifications to windows that still exist.
#include "links/CommandMailbox.h"

#include "LinksTestSupport.h"
#include "links/LittleEndian.h"
#include "links/SharedLayouts.h"
#include "platform/SharedMapping.h"
#include "platform/WindowMessages.h"

#include <string>

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace {

using Layout = MailboxLayout;

std::string I32(int32_t value)
{
    std::string bytes(4, '\0');
    StoreI32(reinterpret_cast<uint8_t*>(bytes.data()), value);
    return bytes;
}

class MailboxTest : public ::testing::Test {
protected:
    std::string Object() const { return m_scope.ReadObject("WardexCommand"); }

    ShmScope m_scope;
    CommandMailbox m_mailbox{m_scope.Prefix()};
    CommandMailbox m_other{m_scope.Prefix()}; // another program's view
};

TEST_F(MailboxTest, OpenCreatesTheHeader)
{
    ASSERT_TRUE(m_mailbox.Open());
    std::string mailbox = Object();
    ASSERT_EQ(mailbox.size(), 620u);
    EXPECT_EQ(mailbox.substr(0, 20), I32(20) + I32(1) + I32(24) + I32(0) + I32(25));
    EXPECT_EQ(mailbox.substr(20), std::string(600, '\0'));
    struct stat status {};
    ASSERT_EQ(::stat(m_scope.PathOf("WardexCommand").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u);
    ASSERT_EQ(::stat(m_scope.PathOf("WardexCommandMutex").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u);
}

TEST_F(MailboxTest, MailboxOfAnotherVersionIsNotUsed)
{
    SharedMapping other;
    ASSERT_EQ(other.Attach(m_scope.Prefix() + "WardexCommand", Layout::kSize,
                           SharedCreate::OpenOrCreate, SharedAccess::Group),
              AttachResult::Attached);
    StoreI32(other.Data() + Layout::kVersionAt, 2);
    StoreI32(other.Data() + Layout::kCountAt, 1);
    StoreI32(other.Data() + Layout::kHeaderSize, 1);
    EXPECT_FALSE(m_mailbox.Open());
    EXPECT_EQ(m_mailbox.Pop(), MailboxCommand{});
}

TEST_F(MailboxTest, PopTakesRecordsInOrderAndShiftsTheRest)
{
    ASSERT_TRUE(m_mailbox.Open());
    ASSERT_TRUE(m_other.Open());
    EXPECT_EQ(m_mailbox.Pop(), MailboxCommand{});
    ASSERT_TRUE(m_other.Push({1, 4711}));
    ASSERT_TRUE(m_other.Push({2, 0}));
    std::string mailbox = Object();
    EXPECT_EQ(mailbox.substr(12, 4), I32(2));
    EXPECT_EQ(mailbox.substr(20, 48),
              I32(1) + I32(4711) + std::string(16, '\0') + I32(2) + I32(0) + std::string(16, '\0'));
    EXPECT_EQ(m_mailbox.Pop(), (MailboxCommand{1, 4711}));
    mailbox = Object();
    EXPECT_EQ(mailbox.substr(12, 4), I32(1));
    EXPECT_EQ(mailbox.substr(20, 24), I32(2) + I32(0) + std::string(16, '\0'));
    EXPECT_EQ(mailbox.substr(44), std::string(576, '\0'));
    EXPECT_EQ(m_mailbox.Pop(), (MailboxCommand{2, 0}));
    EXPECT_EQ(m_mailbox.Pop(), MailboxCommand{});
}

TEST_F(MailboxTest, HoldsAtMost25Records)
{
    ASSERT_TRUE(m_mailbox.Open());
    for (int i = 0; i < 25; ++i)
        ASSERT_TRUE(m_mailbox.Push({1, i}));
    EXPECT_FALSE(m_mailbox.Push({1, 25}));
    for (int i = 0; i < 25; ++i)
        EXPECT_EQ(m_mailbox.Pop(), (MailboxCommand{1, i}));
    EXPECT_EQ(m_mailbox.Pop(), MailboxCommand{});
}

TEST_F(MailboxTest, CorruptCountIsKeptWithinTheMailbox)
{
    ASSERT_TRUE(m_mailbox.Open());
    SharedMapping other;
    ASSERT_EQ(other.Attach(m_scope.Prefix() + "WardexCommand", Layout::kSize,
                           SharedCreate::OpenOrCreate, SharedAccess::Group),
              AttachResult::Attached);
    StoreI32(other.Data() + Layout::kCountAt, 9999);
    StoreI32(other.Data() + Layout::kHeaderSize, 2);
    EXPECT_EQ(m_mailbox.Pop(), (MailboxCommand{2, 0}));
    EXPECT_EQ(LoadI32(other.Data() + Layout::kCountAt), 24);
    StoreI32(other.Data() + Layout::kCountAt, -4);
    EXPECT_EQ(m_mailbox.Pop(), MailboxCommand{});
    EXPECT_FALSE(m_mailbox.Push({1, 1}));
}

TEST_F(MailboxTest, ProcessCommandsSubscribesOnceAndHandsOnCommand2)
{
    ASSERT_TRUE(m_mailbox.Open());
    ASSERT_TRUE(m_other.Open());
    m_other.Push({1, 500});
    m_other.Push({2, 0});
    m_other.Push({7, 0});
    m_other.Push({1, 500});
    m_other.Push({1, 600});
    int handled = 0;
    m_mailbox.ProcessCommands([&] { ++handled; });
    EXPECT_EQ(handled, 1);
    EXPECT_EQ(m_mailbox.Subscribers(), (std::vector<uint32_t>{500, 600}));
    EXPECT_EQ(m_mailbox.Pop(), MailboxCommand{});
}

TEST_F(MailboxTest, NotifyReachesTheWindowsThatStillExist)
{
    ASSERT_TRUE(m_mailbox.Open());
    int alive = OpenWindowEndpoint(TestWindow(20));
    ASSERT_GE(alive, 0);
    EXPECT_TRUE(m_mailbox.Subscribe(TestWindow(20)));
    EXPECT_TRUE(m_mailbox.Subscribe(TestWindow(21)));
    EXPECT_FALSE(m_mailbox.Subscribe(TestWindow(20)));
    EXPECT_EQ(m_mailbox.Notify(StationEvent::AlarmConfirmed), 1);
    WindowMessage message;
    ASSERT_EQ(ReceiveWindowMessage(alive, message), ReceiveResult::Message);
    EXPECT_EQ(message.name, "WardexCommand");
    EXPECT_EQ(message.first, 2);
    EXPECT_EQ(message.second, 0);
    EXPECT_EQ(m_mailbox.Subscribers().size(), 2u);
    ::close(alive);
    EXPECT_EQ(m_mailbox.Notify(StationEvent::StationEnding), 0);
}

} // namespace
