// Fuzzes what a start with /dbmem does with a hostile "AlarmDB.txt": the
// records loaded into memory read exactly as from the file, and the index
// of records awaiting an operator, whether built at once or in slices of
// any size, agrees with a plain walk over the records read.
//
// Input: a byte giving the slice size (0: the index is built at once), then
// the database file.
#include "FuzzScratch.h"
#include "SilentPrompt.h"
#include "config/ConfigTree.h"
#include "config/DefaultScript.h"
#include "db/AlarmDatabase.h"
#include "db/AlarmRecord.h"
#include "db/AwaitingIndex.h"
#include "platform/BusyIndicator.h"
#include "platform/ModifierKeys.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <tuple>
#include <vector>

namespace {

void Check(bool condition, const char* what)
{
    if (condition)
        return;
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

ConfigTree& Tree()
{
    static ConfigTree* tree = [] {
        auto* built = new ConfigTree;
        SilentPrompt prompt;
        Check(built->LoadDefaults(DefaultScript(), prompt), "default script");
        // No count cache: every open counts.
        built->Root()
            ->Child("Runtime")
            ->Child("FFTMNumRecords")
            ->Child("iDoNotWriteDBCache")
            ->SetInt(1);
        return built;
    }();
    return *tree;
}

std::vector<std::string> ReadAll(AlarmDatabase& database)
{
    std::vector<std::string> records;
    AlarmRecord record;
    for (int i = 0; i < database.RecordCount(); ++i) {
        Check(database.Read(i, record), "every record reads");
        std::string bytes(AlarmRecord::kRecordBytes, '\0');
        record.Encode(bytes.data());
        records.push_back(std::move(bytes));
    }
    return records;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    int slice = data[0];
    std::string path = (FuzzScratch() / "AlarmDB.txt").string();
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data + 1), static_cast<std::streamsize>(size - 1));
    }
    AlarmDatabase database(Tree(), FuzzScratch(), NoModifierKeys(), NoBusyIndicator());
    if (!database.Open(path))
        return 0;
    std::vector<std::string> fromFile = ReadAll(database);
    Check(database.LoadIntoMemory() && database.InMemory(), "loads into memory");
    Check(ReadAll(database) == fromFile, "memory reads as the file");

    if (slice > 0) {
        database.BuildIndexInSlices([](bool, bool) {});
        int rounds = 0;
        while (!database.BuildIndexSlice(slice))
            Check(++rounds <= database.RecordCount() + 1, "slices end");
    }

    std::map<std::tuple<std::string, int32_t, int32_t>, int64_t> awaiting;
    std::vector<int> unconfirmed;
    AlarmRecord record;
    for (int i = 0; i < database.RecordCount(); ++i) {
        Check(database.Read(i, record), "record reads again");
        if (AwaitingIndex::AwaitsOperator(record))
            ++awaiting[{std::string(record.Field(AlarmField::Recorder)),
                        record.Int(AlarmField::AlarmType), record.Int(AlarmField::CameraID)}];
        if (AwaitingIndex::IsUnconfirmed(record))
            unconfirmed.push_back(i);
    }
    std::vector<AwaitingGroup> groups = database.AwaitingGroups();
    Check(groups.size() == awaiting.size(), "one group per combination");
    for (const AwaitingGroup& group : groups) {
        auto found = awaiting.find({group.recorder, group.alarmType, group.cameraId});
        Check(found != awaiting.end() && found->second == group.count, "group counts");
    }
    Check(database.UnconfirmedRecords() == unconfirmed, "unconfirmed records");
    int first =
        database.FirstUnconfirmed([](const std::string&, int32_t, int32_t) { return true; });
    Check(first == (unconfirmed.empty() ? -1 : unconfirmed.front()), "first unconfirmed");
    database.Close();
    return 0;
}
