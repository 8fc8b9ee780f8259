// Fuzzes the reading of the alarm mail queue: any bytes as
// "MailQueue.journal" must parse or be refused without harm, and what
// parses must write back as the same mails.
#include "alarm/MailQueue.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    auto mails = MailQueue::Parse(bytes);
    if (!mails)
        return 0;
    std::deque<QueuedMail> queue(mails->begin(), mails->end());
    auto again = MailQueue::Parse(MailQueue::Serialize(queue));
    bool same = again && again->size() == mails->size();
    for (size_t i = 0; same && i < mails->size(); ++i)
        same = (*again)[i].mail == (*mails)[i].mail && (*again)[i].date == (*mails)[i].date &&
               (*again)[i].messageId == (*mails)[i].messageId;
    if (!same) {
        std::fprintf(stderr, "broken: a parsed queue does not read back the same\n");
        std::abort();
    }
    return 0;
}
