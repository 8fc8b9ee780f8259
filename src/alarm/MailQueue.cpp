#include "alarm/MailQueue.h"

#include "platform/posix/FileHandle.h"

#include <array>
#include <utility>

namespace {

constexpr std::string_view kMagic = "WardexMailQueue 1\n";
constexpr size_t kFields = 10;
constexpr size_t kLengthBytes = 4;

void PutField(std::string& out, std::string_view field)
{
    uint32_t n = static_cast<uint32_t>(field.size());
    for (size_t i = 0; i < kLengthBytes; ++i)
        out += static_cast<char>((n >> (8 * i)) & 0xff);
    out += field;
}

} // namespace

MailQueue::MailQueue(std::filesystem::path path, size_t maxMails, size_t maxBytes)
    : m_path(std::move(path)), m_maxMails(maxMails), m_maxBytes(maxBytes)
{
}

size_t MailQueue::SizeOf(const QueuedMail& queued)
{
    const AlarmMail& m = queued.mail;
    return kFields * kLengthBytes + 1 + m.to.size() + m.from.size() + m.server.size() +
           m.subject.size() + m.body.size() + m.authUser.size() + m.authPassword.size() +
           queued.date.size() + queued.messageId.size();
}

std::string MailQueue::Serialize(const std::deque<QueuedMail>& mails)
{
    std::string out;
    if (mails.empty())
        return out;
    out += kMagic;
    for (const QueuedMail& queued : mails) {
        const AlarmMail& m = queued.mail;
        for (std::string_view field :
             {std::string_view(m.to), std::string_view(m.from), std::string_view(m.server),
              std::string_view(m.subject), std::string_view(m.body),
              std::string_view(m.useAuth ? "1" : "0"), std::string_view(m.authUser),
              std::string_view(m.authPassword), std::string_view(queued.date),
              std::string_view(queued.messageId)})
            PutField(out, field);
    }
    return out;
}

std::optional<std::vector<QueuedMail>> MailQueue::Parse(std::string_view bytes)
{
    std::vector<QueuedMail> mails;
    if (bytes.empty())
        return mails;
    if (!bytes.starts_with(kMagic))
        return std::nullopt;
    bytes.remove_prefix(kMagic.size());
    for (;;) {
        QueuedMail queued;
        std::array<std::string, kFields> fields;
        for (std::string& field : fields) {
            if (bytes.size() < kLengthBytes)
                return mails;
            uint32_t n = 0;
            for (size_t i = 0; i < kLengthBytes; ++i)
                n |= static_cast<uint32_t>(static_cast<unsigned char>(bytes[i])) << (8 * i);
            bytes.remove_prefix(kLengthBytes);
            // A record cut short by a crash ends the queue.
            if (n > bytes.size())
                return mails;
            field = std::string(bytes.substr(0, n));
            bytes.remove_prefix(n);
        }
        AlarmMail& m = queued.mail;
        m.to = std::move(fields[0]);
        m.from = std::move(fields[1]);
        m.server = std::move(fields[2]);
        m.subject = std::move(fields[3]);
        m.body = std::move(fields[4]);
        m.useAuth = fields[5] == "1";
        m.authUser = std::move(fields[6]);
        m.authPassword = std::move(fields[7]);
        queued.date = std::move(fields[8]);
        queued.messageId = std::move(fields[9]);
        mails.push_back(std::move(queued));
    }
}

bool MailQueue::Load()
{
    FileHandle file = FileHandle::OpenReadOnly(m_path.string());
    if (!file.IsOpen())
        return true;
    std::string bytes;
    int64_t size = file.Size();
    if (size < 0)
        return false;
    bytes.resize(static_cast<size_t>(size));
    if (size > 0 && file.ReadAt(0, bytes.data(), bytes.size()) != size)
        return false;
    std::optional<std::vector<QueuedMail>> mails = Parse(bytes);
    if (!mails)
        return false;
    m_written = bytes;
    for (QueuedMail& mail : *mails)
        Add(std::move(mail));
    // What the bounds dropped or a cut record lost is written at the next save.
    m_unsaved = Serialize(m_mails) != m_written;
    return true;
}

bool MailQueue::Save()
{
    if (!m_unsaved)
        return true;
    std::string bytes = Serialize(m_mails);
    if (bytes == m_written) {
        m_unsaved = false;
        return true;
    }
    if (!ReplaceFileWhole(m_path.string(), ".tmp", Survives::PowerLoss,
                          [&](FileHandle& file) { return file.Write(bytes.data(), bytes.size()); }))
        return false;
    m_written = std::move(bytes);
    m_unsaved = false;
    return true;
}

bool MailQueue::Keep()
{
    std::string bytes = Serialize(m_mails);
    return ReplaceFileWhole(m_path.string(), ".tmp", Survives::ProcessDeath, [&](FileHandle& file) {
        return file.Write(bytes.data(), bytes.size());
    });
}

size_t MailQueue::Add(QueuedMail mail)
{
    mail.id = m_nextId++;
    m_bytes += SizeOf(mail);
    m_mails.push_back(std::move(mail));
    size_t dropped = 0;
    while (m_mails.size() > 1 && (m_mails.size() > m_maxMails || m_bytes > m_maxBytes)) {
        m_bytes -= SizeOf(m_mails.front());
        m_mails.pop_front();
        ++dropped;
    }
    m_unsaved = true;
    return dropped;
}

void MailQueue::Remove(uint64_t id)
{
    for (auto it = m_mails.begin(); it != m_mails.end(); ++it) {
        if (it->id == id) {
            m_bytes -= SizeOf(*it);
            m_mails.erase(it);
            m_unsaved = true;
            return;
        }
    }
}

QueuedMail* MailQueue::Find(uint64_t id)
{
    for (QueuedMail& mail : m_mails) {
        if (mail.id == id)
            return &mail;
    }
    return nullptr;
}
