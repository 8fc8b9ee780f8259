// Fuzzes the station's reading of the command mailbox with whatever another
// program left in it: taking the commands out ends, stays inside the
// mapping and, pass by pass, empties the mailbox.
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
    // A record holding command 0 ends one pass like an empty mailbox; the
    // records behind it wait for the next pass.
    int handled = 0;
    for (int pass = 0; pass <= MailboxLayout::kCapacity; ++pass)
        mailbox.ProcessCommands([&handled] { ++handled; });
    if (handled > MailboxLayout::kCapacity || mailbox.Pop().command != 0)
        std::abort();
    mailbox.Close();
    return 0;
}
