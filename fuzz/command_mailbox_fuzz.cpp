// Fuzzes the station's reading of the command mailbox with whatever another
// program left in it: taking the commands out ends, stays inside the
// mapping and leaves the mailbox empty.
#include "SharedChannelFuzz.h"
#include "links/CommandMailbox.h"
#include "links/SharedLayouts.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CommandMailbox mailbox(FuzzPrefix());
    if (!mailbox.Open())
        return 0;
    if (!OverwriteMapping(CommandMailbox::kMappingName, MailboxLayout::kSize, data, size))
        std::abort();
    int handled = 0;
    mailbox.ProcessCommands([&handled] { ++handled; });
    if (handled > MailboxLayout::kCapacity || mailbox.Pop().command != 0)
        std::abort();
    mailbox.Close();
    return 0;
}
