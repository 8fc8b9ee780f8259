// Fuzzes the database's count cache: whatever "db.cache" holds, the database
// opens with the records its file really has, each of them readable, and the
// cache is gone afterwards.
//
// Input: a byte whose low two bits give the records in the file, then the
// cache's bytes.
#include "FuzzScratch.h"
#include "config/ConfigTree.h"
#include "config/DefaultScript.h"
#include "db/AlarmDatabase.h"
#include "db/AlarmRecord.h"
#include "platform/BusyIndicator.h"
#include "platform/ModifierKeys.h"
#include "platform/Prompt.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;

class NoPrompt final : public Prompt {
public:
    PromptAnswer Show(std::string_view, std::string_view, PromptIcon, PromptButtons) override
    {
        return PromptAnswer::Ok;
    }
};

ConfigTree& Tree()
{
    static ConfigTree* tree = [] {
        auto* built = new ConfigTree;
        NoPrompt prompt;
        if (!built->LoadDefaults(DefaultScript(), prompt))
            std::abort();
        return built;
    }();
    return *tree;
}

const fs::path& Folder()
{
    return FuzzScratch();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    int records = data[0] & 3;
    std::string path = (Folder() / "AlarmDB.txt").string();
    {
        std::ofstream file(path, std::ios::binary | std::ios::trunc);
        std::string bytes(AlarmRecord::kRecordBytes, '\0');
        AlarmRecord record;
        record.Encode(bytes.data());
        for (int i = 0; i < records; ++i)
            file << bytes;
        std::ofstream cache(Folder() / "db.cache", std::ios::binary | std::ios::trunc);
        cache.write(reinterpret_cast<const char*>(data + 1),
                    static_cast<std::streamsize>(size - 1));
    }
    AlarmDatabase database(Tree(), Folder(), NoModifierKeys(), NoBusyIndicator());
    if (!database.Open(path))
        return 0;
    if (database.RecordCount() != records || fs::exists(Folder() / "db.cache"))
        std::abort();
    AlarmRecord record;
    for (int i = 0; i < records; ++i) {
        if (!database.Read(i, record))
            std::abort();
    }
    return 0;
}
