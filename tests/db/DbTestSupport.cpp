#include "DbTestSupport.h"

#include "config/DefaultScript.h"
#include "config/ScriptReader.h"
#include "testsupport/FakePrompt.h"
#include "testsupport/TempDir.h"

#include <stdexcept>

std::unique_ptr<ConfigTree> MakeDefaultTree()
{
    auto tree = std::make_unique<ConfigTree>();
    FakePrompt prompt;
    if (!tree->LoadDefaults(DefaultScript(), prompt))
        throw std::runtime_error("default script does not load");
    return tree;
}

ConfigNode* Node(ConfigTree& tree, std::string_view path)
{
    ConfigNode* node = tree.Root();
    while (node != nullptr && !path.empty()) {
        size_t slash = path.find('/');
        node = node->Child(path.substr(0, slash));
        path = slash == std::string_view::npos ? std::string_view() : path.substr(slash + 1);
    }
    if (node == nullptr)
        throw std::runtime_error("no such key: " + std::string(path));
    return node;
}

void SetInt(ConfigTree& tree, std::string_view path, int32_t value)
{
    Node(tree, path)->SetInt(value);
}

void SetInt64(ConfigTree& tree, std::string_view path, int64_t value)
{
    Node(tree, path)->SetInt64(value);
}

int32_t GetInt(ConfigTree& tree, std::string_view path)
{
    return Node(tree, path)->GetInt();
}

int64_t GetInt64(ConfigTree& tree, std::string_view path)
{
    return Node(tree, path)->GetInt64();
}

AlarmRecord MakeRecord(int64_t arrival, int32_t alarmType, std::string_view recorder,
                       int32_t camera)
{
    AlarmRecord record = AlarmRecord::NewAlarm();
    record.SetNumber(AlarmField::TimeArrival, arrival);
    record.SetNumber(AlarmField::TimeDeparture, arrival - 500);
    record.SetField(AlarmField::Recorder, recorder);
    record.SetNumber(AlarmField::CameraID, camera);
    record.SetNumber(AlarmField::TrackID, -1);
    record.SetNumber(AlarmField::AlarmType, alarmType);
    record.SetField(AlarmField::AddInfo, "Info " + std::to_string(arrival));
    return record;
}

std::string EncodeRecords(const std::vector<AlarmRecord>& records)
{
    std::string bytes(records.size() * AlarmRecord::kRecordBytes, '\0');
    for (size_t i = 0; i < records.size(); ++i)
        records[i].Encode(bytes.data() + i * AlarmRecord::kRecordBytes);
    return bytes;
}

AlarmRecord Confirmed(AlarmRecord record)
{
    record.SetField(AlarmField::Confirmed, "1");
    record.SetField(AlarmField::ConfirmUser, "administrator");
    return record;
}

void WriteRecordFile(const std::string& path, int count, int64_t firstArrival, Handled handled)
{
    std::vector<AlarmRecord> records;
    records.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        AlarmRecord record = MakeRecord(firstArrival + i);
        records.push_back(handled == Handled::Confirmed ? Confirmed(record) : record);
    }
    WriteFileBytes(path, EncodeRecords(records));
}

DbFixture::DbFixture(const std::filesystem::path& folder_)
    : folder(folder_), tree(MakeDefaultTree()),
      database(std::make_unique<AlarmDatabase>(*tree, folder, keys, busy))
{
}

std::vector<AlarmRecord> ReadAll(AlarmDatabase& database)
{
    std::vector<AlarmRecord> records;
    AlarmRecord record;
    for (int i = 0; i < database.RecordCount(); ++i) {
        if (!database.Read(i, record))
            throw std::runtime_error("record does not read");
        records.push_back(record);
    }
    return records;
}

std::vector<int> ViewOf(const AlarmDatabase& database)
{
    std::vector<int> view;
    for (int i = 0; i < database.ViewCount(); ++i)
        view.push_back(database.ViewRecord(i));
    return view;
}
