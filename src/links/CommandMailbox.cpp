// The command mailbox. Every access, the header written at creation and the
// version read at opening included, runs under its mutex.
#include "links/CommandMailbox.h"

#include "links/LittleEndian.h"
#include "links/SharedLayouts.h"
#include "platform/NamedMutexLock.h"
#include "platform/WindowMessages.h"

#include <algorithm>
#include <cstring>
#include <utility>

using Layout = MailboxLayout;

CommandMailbox::CommandMailbox(std::string namePrefix) : m_prefix(std::move(namePrefix)) {}

bool CommandMailbox::Open()
{
    Close();
    std::string name = m_prefix + kMappingName;
    if (!m_mutex.Open(name + "Mutex", SharedAccess::Group))
        return false;
    NamedMutexLock lock(m_mutex);
    if (!lock.IsLocked())
        return false;
    if (m_mapping.Attach(name, Layout::kSize, SharedCreate::OpenOrCreate, SharedAccess::Group) !=
        AttachResult::Attached)
        return false;
    uint8_t* base = m_mapping.Data();
    if (m_mapping.WasCreated()) {
        std::memset(base, 0, Layout::kSize);
        StoreI32(base + Layout::kHeaderSizeAt, Layout::kHeaderSize);
        StoreI32(base + Layout::kVersionAt, Layout::kVersion);
        StoreI32(base + Layout::kRecordSizeAt, Layout::kRecordSize);
        StoreI32(base + Layout::kCountAt, 0);
        StoreI32(base + Layout::kCapacityAt, Layout::kCapacity);
        m_valid = true;
        return true;
    }
    m_valid = LoadI32(base + Layout::kVersionAt) == Layout::kVersion;
    if (!m_valid)
        m_mapping.Detach();
    return m_valid;
}

void CommandMailbox::Close()
{
    m_valid = false;
    m_mapping.Detach();
    m_mutex.Close();
}

MailboxCommand CommandMailbox::Pop()
{
    if (!m_valid)
        return {};
    NamedMutexLock lock(m_mutex);
    if (!lock.IsLocked())
        return {};
    uint8_t* base = m_mapping.Data();
    int32_t count = std::clamp(LoadI32(base + Layout::kCountAt), 0, Layout::kCapacity);
    if (count == 0)
        return {};
    MailboxCommand first{LoadI32(Record(0) + Layout::kCommandAt),
                         LoadI32(Record(0) + Layout::kArgumentAt)};
    std::memmove(Record(0), Record(1), (Layout::kCapacity - 1) * Layout::kRecordSize);
    std::memset(Record(Layout::kCapacity - 1), 0, Layout::kRecordSize);
    StoreI32(base + Layout::kCountAt, count - 1);
    return first;
}

bool CommandMailbox::Subscribe(uint32_t window)
{
    if (std::find(m_subscribers.begin(), m_subscribers.end(), window) != m_subscribers.end())
        return false;
    m_subscribers.push_back(window);
    return true;
}

int CommandMailbox::Notify(StationEvent event)
{
    int reached = 0;
    for (uint32_t window : m_subscribers) {
        if (PostWindowMessage(window, kStationCommandMessage, static_cast<int32_t>(event), 0) ==
            PostResult::Posted)
            ++reached;
    }
    return reached;
}

void CommandMailbox::ProcessCommands(const std::function<void()>& handleSelectedAlarm)
{
    for (;;) {
        MailboxCommand command = Pop();
        switch (static_cast<MailboxCommandCode>(command.command)) {
        case MailboxCommandCode::None:
            return;
        case MailboxCommandCode::Subscribe:
            Subscribe(static_cast<uint32_t>(command.argument));
            break;
        case MailboxCommandCode::HandleSelectedAlarm:
            if (handleSelectedAlarm)
                handleSelectedAlarm();
            break;
        }
    }
}

bool CommandMailbox::Push(const MailboxCommand& command)
{
    if (!m_valid)
        return false;
    NamedMutexLock lock(m_mutex);
    if (!lock.IsLocked())
        return false;
    uint8_t* base = m_mapping.Data();
    int32_t count = LoadI32(base + Layout::kCountAt);
    if (count < 0 || count >= Layout::kCapacity)
        return false;
    std::memset(Record(count), 0, Layout::kRecordSize);
    StoreI32(Record(count) + Layout::kCommandAt, command.command);
    StoreI32(Record(count) + Layout::kArgumentAt, command.argument);
    StoreI32(base + Layout::kCountAt, count + 1);
    return true;
}

uint8_t* CommandMailbox::Record(int32_t index) const
{
    return m_mapping.Data() + Layout::kHeaderSize +
           static_cast<size_t>(index) * Layout::kRecordSize;
}
