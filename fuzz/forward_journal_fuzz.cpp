// Fuzzes the reading of the forwarding journal: any bytes as
// "ForwardQueue.journal" must open, every telegram read back must be whole,
// and after one more append and a removal the file must read back as the
// queue it then holds.
#include "FuzzScratch.h"
#include "links/ForwardJournal.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

namespace fs = std::filesystem;

void Check(bool condition, const char* what)
{
    if (condition)
        return;
    std::fprintf(stderr, "broken: %s\n", what);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const fs::path& folder = FuzzScratch();
    fs::path file = folder / ForwardJournal::kFileName;
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    size_t queued = 0;
    {
        ForwardJournal journal(file);
        std::vector<ForwardQueueItem> items = journal.Open();
        for (const ForwardQueueItem& item : items)
            Check(item.count == static_cast<int32_t>(item.bytes.size()), "count and bytes differ");
        ForwardQueueItem added;
        added.bytes = {1, 2, 3};
        added.count = 3;
        added.originIp = "10.0.0.1";
        journal.Appended(added);
        journal.HeadRemoved();
        queued = journal.QueuedCount();
    }
    ForwardJournal again(file);
    Check(again.Open().size() == queued, "the file does not hold the queue");
    fs::remove(file);
    return 0;
}
