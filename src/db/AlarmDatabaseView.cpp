// The view over the records: the awaiting index, the filter, the insertion
// of new records in sort order and the sorts by every code.

#include "config/ConfigNode.h"
#include "config/ConfigTree.h"
#include "db/AlarmDatabase.h"
#include "db/AlarmDatabaseFile.h"
#include "db/ConfigPath.h"
#include "db/RecordFilter.h"
#include "platform/BusyIndicator.h"
#include "platform/ModifierKeys.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <numeric>
#include <unordered_map>
#include <utility>

#include <sys/stat.h>
#include <unistd.h>

using alarm_database_file::kRecordBytes;
using alarm_database_file::kTempSuffix;

namespace {

struct SortEntry {
    uint64_t key;
    int number;
};

bool IsFieldCode(int code)
{
    return code >= 0 && code <= 11 && code != 10;
}

void FoldCase(std::string_view text, std::string& folded)
{
    folded.assign(text);
    for (char& c : folded) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
}

int32_t Int32Of(std::string_view text)
{
    return static_cast<int32_t>(std::clamp<int64_t>(ParseDecimal(text),
                                                    std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

int ConfirmationRank(const char* bytes)
{
    int32_t state = Int32Of(AlarmRecord::FieldIn(bytes, AlarmField::ConfirmState));
    if (state == 1 || state == 3)
        return 1;
    if (Int32Of(AlarmRecord::FieldIn(bytes, AlarmField::AutoConfirmed)) == 1)
        return 3;
    if (Int32Of(AlarmRecord::FieldIn(bytes, AlarmField::Confirmed)) == 1)
        return 2;
    return 0;
}

// Stable sort by key, one byte at a time from the lowest; a byte in which
// every key agrees costs no pass.
void RadixSort(std::vector<SortEntry>& entries)
{
    std::vector<SortEntry> buffer(entries.size());
    std::vector<std::array<size_t, 256>> counts(8);
    for (auto& count : counts)
        count.fill(0);
    for (const SortEntry& entry : entries) {
        for (int b = 0; b < 8; ++b)
            ++counts[static_cast<size_t>(b)][(entry.key >> (8 * b)) & 0xFF];
    }
    for (int b = 0; b < 8; ++b) {
        std::array<size_t, 256>& count = counts[static_cast<size_t>(b)];
        if (std::find(count.begin(), count.end(), entries.size()) != count.end())
            continue;
        size_t offset = 0;
        for (size_t& c : count)
            offset += std::exchange(c, offset);
        for (const SortEntry& entry : entries)
            buffer[count[(entry.key >> (8 * b)) & 0xFF]++] = entry;
        entries.swap(buffer);
    }
}

// Numbers: the ascending direction puts the smallest first. Texts: the
// ascending direction puts them in reverse alphabetical order. Equal keys:
// the newer record first, in both directions.
bool Before(SortKeyKind kind, SortDirection direction, int64_t numberA, std::string_view textA,
            int recordA, int64_t numberB, std::string_view textB, int recordB)
{
    bool ascending = direction == SortDirection::Ascending;
    if (kind == SortKeyKind::Number) {
        if (numberA != numberB)
            return ascending ? numberA < numberB : numberA > numberB;
        return recordA > recordB;
    }
    int order = textA.compare(textB);
    if (order != 0)
        return ascending ? order > 0 : order < 0;
    return recordA > recordB;
}

// Numbers are flipped for the descending direction; texts (collected as ids
// into textIds) become their alphabetical rank, the other way round for the
// ascending direction, which runs Z to A.
void RankKeys(std::vector<SortEntry>& entries, SortKeyKind kind, SortDirection direction,
              const std::unordered_map<std::string, uint32_t>& textIds)
{
    bool ascending = direction == SortDirection::Ascending;
    if (kind == SortKeyKind::Number) {
        if (!ascending) {
            for (SortEntry& entry : entries)
                entry.key = ~entry.key;
        }
        return;
    }
    std::vector<const std::string*> texts(textIds.size());
    for (const auto& [text, id] : textIds)
        texts[id] = &text;
    std::vector<uint32_t> order(texts.size());
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(),
              [&](uint32_t a, uint32_t b) { return *texts[a] < *texts[b]; });
    std::vector<uint64_t> rank(texts.size());
    for (size_t i = 0; i < order.size(); ++i)
        rank[order[i]] = i;
    for (SortEntry& entry : entries)
        entry.key = ascending ? texts.size() - 1 - rank[entry.key] : rank[entry.key];
}

} // namespace

bool AlarmDatabase::EnsureIndex()
{
    if (m_indexBuilt || !IsOpen())
        return m_indexBuilt;
    if (m_indexCompleted)
        return false;
    BusyScope busy(m_busy);
    return IndexUpTo(m_count);
}

bool AlarmDatabase::IndexUpTo(int end)
{
    Walk(m_indexedUpTo, std::min(end, m_count), [&](int number, const char* bytes) {
        m_indexedUpTo = number + 1;
        // Most records are confirmed by an operator and add nothing; telling
        // them by two fields spares decoding a million records.
        std::string_view state = AlarmRecord::FieldIn(bytes, AlarmField::ConfirmState);
        if (AlarmRecord::FieldIn(bytes, AlarmField::Confirmed) == "1" &&
            (state == "2" || state == "3"))
            return true;
        m_index.Add(number, AlarmRecord::FromBytes(bytes));
        return true;
    });
    m_indexBuilt = m_indexedUpTo >= m_count;
    return m_indexBuilt;
}

void AlarmDatabase::BuildIndexInSlices(IndexCompleted completed)
{
    m_indexCompleted = std::move(completed);
    m_groupsAskedEarly = false;
    m_unconfirmedAskedEarly = false;
}

bool AlarmDatabase::BuildIndexSlice(int records)
{
    if (!IsOpen())
        return true;
    if (!m_indexBuilt && !IndexUpTo(m_indexedUpTo + std::max(records, 1)))
        return false;
    bool groups = std::exchange(m_groupsAskedEarly, false);
    bool unconfirmed = std::exchange(m_unconfirmedAskedEarly, false);
    if (m_indexCompleted && (groups || unconfirmed))
        m_indexCompleted(groups, unconfirmed);
    return true;
}

std::vector<AwaitingGroup> AlarmDatabase::AwaitingGroups()
{
    m_groupsAskedEarly = !EnsureIndex() || m_groupsAskedEarly;
    return m_index.AwaitingGroups();
}

const std::vector<int>& AlarmDatabase::UnconfirmedRecords()
{
    m_unconfirmedAskedEarly = !EnsureIndex() || m_unconfirmedAskedEarly;
    return m_index.Unconfirmed();
}

int AlarmDatabase::FirstUnconfirmed(const AwaitingIndex::Wanted& wanted,
                                    const AwaitingIndex::Accepted& accepted)
{
    m_unconfirmedAskedEarly = !EnsureIndex() || m_unconfirmedAskedEarly;
    return m_index.FirstUnconfirmed(wanted, accepted);
}

// --- the view ----------------------------------------------------------------

int AlarmDatabase::ViewRecord(int position) const
{
    if (position < 0 || position >= ViewCount())
        return -1;
    return m_view.At(static_cast<size_t>(position));
}

bool AlarmDatabase::ReadViewed(int position, AlarmRecord& record)
{
    int number = ViewRecord(position);
    if (number < 0) {
        m_lastError = DbError::OutOfRange;
        return false;
    }
    return Read(number, record);
}

void AlarmDatabase::ReserveView(size_t size)
{
    while (static_cast<size_t>(m_viewCapacity) < size)
        m_viewCapacity += kViewGrowth;
}

void AlarmDatabase::AssignView(const std::vector<int>& numbers)
{
    ReserveView(numbers.size());
    m_view.Assign(numbers);
}

void AlarmDatabase::RebuildView()
{
    std::vector<int> numbers;
    if (!m_filterActive || m_filter == nullptr) {
        numbers.resize(static_cast<size_t>(m_count));
        std::iota(numbers.begin(), numbers.end(), 0);
    } else {
        m_filter->BeginPass();
        Walk(0, m_count, [&](int number, const char* bytes) {
            if (m_filter->Matches(AlarmRecord::FromBytes(bytes)))
                numbers.push_back(number);
            return true;
        });
        m_filter->EndPass();
    }
    AssignView(numbers);
    if ((m_sortCode != kSortByArrival || m_sortDirection != SortDirection::Ascending) &&
        !SortView(m_sortCode, m_sortDirection)) {
        m_sortCode = kSortByArrival;
        m_sortDirection = SortDirection::Ascending;
    }
    m_lastPosition = -1;
}

void AlarmDatabase::SetFilterActive()
{
    m_filterActive = true;
    RebuildView();
}

void AlarmDatabase::ClearFilter()
{
    m_filterActive = false;
    RebuildView();
}

void AlarmDatabase::AddToView(int number, const AlarmRecord& record)
{
    if (m_view.Size() >= static_cast<size_t>(m_viewCapacity))
        ReserveView(m_view.Size() + 1);
    if (m_filterActive && m_filter != nullptr && !m_filter->Matches(record)) {
        m_lastPosition = -1;
        return;
    }
    m_lastPosition = InsertionPosition(number, record);
}

int AlarmDatabase::InsertionPosition(int number, const AlarmRecord& record)
{
    bool ascending = m_sortDirection == SortDirection::Ascending;
    SortKeyKind kind = KindOf(m_sortCode);
    size_t low = 0;
    size_t high = m_view.Size();
    if (m_sortCode == kSortByArrival) {
        // A new record has the highest number: the end, or the front when
        // the newest come first.
        if (ascending && (high == 0 || m_view.At(high - 1) < number))
            low = high;
        else if (!ascending && (high == 0 || m_view.At(0) < number))
            high = 0;
        while (low < high) {
            size_t middle = low + (high - low) / 2;
            int probe = m_view.At(middle);
            if (ascending ? probe < number : probe > number)
                low = middle + 1;
            else
                high = middle;
        }
    } else if (std::vector<int64_t>* keys = NumberKeys(m_sortCode)) {
        int64_t key = (*keys)[static_cast<size_t>(number)];
        while (low < high) {
            size_t middle = low + (high - low) / 2;
            int probe = m_view.At(middle);
            if (Before(kind, m_sortDirection, (*keys)[static_cast<size_t>(probe)], {}, probe, key,
                       {}, number))
                low = middle + 1;
            else
                high = middle;
        }
    } else if (kind != SortKeyKind::None) {
        SortKey key;
        KeyOf(m_sortCode, record.Bytes(), key);
        SortKey probeKey;
        char bytes[AlarmRecord::kFieldBytes];
        while (low < high) {
            size_t middle = low + (high - low) / 2;
            int probe = m_view.At(middle);
            if (!ReadBytes(probe, bytes, sizeof bytes)) {
                low = m_view.Size();
                break;
            }
            KeyOf(m_sortCode, bytes, probeKey);
            if (Before(kind, m_sortDirection, probeKey.number, probeKey.text, probe, key.number,
                       key.text, number))
                low = middle + 1;
            else
                high = middle;
        }
    } else {
        low = m_view.Size();
    }
    m_view.Insert(low, number);
    return static_cast<int>(low);
}

void AlarmDatabase::ReevaluateRecord(int number)
{
    if (!m_filterActive || m_filter == nullptr || number < 0 || number >= m_count)
        return;
    char bytes[AlarmRecord::kFieldBytes];
    if (!ReadBytes(number, bytes, sizeof bytes))
        return;
    AlarmRecord record = AlarmRecord::FromBytes(bytes);
    bool passes = m_filter->Matches(record);
    long at = m_view.Find(number);
    bool present = at >= 0;
    if (present == passes)
        return;
    if (present)
        m_view.Erase(static_cast<size_t>(at));
    else
        InsertionPosition(number, record);
    m_lastPosition = -1;
}

SortKeyKind AlarmDatabase::KindOf(int code) const
{
    switch (code) {
    case 0:
    case 1:
    case 3:
    case 4:
    case 5:
    case 7:
    case 11:
        return SortKeyKind::Number;
    case 2:
    case 6:
    case 8:
    case 9:
        return SortKeyKind::Text;
    default:
        return m_sortKeys != nullptr ? m_sortKeys->KindOf(code) : SortKeyKind::None;
    }
}

void AlarmDatabase::KeyOf(int code, const char* bytes, SortKey& key)
{
    auto text = [bytes](AlarmField field) { return AlarmRecord::FieldIn(bytes, field); };
    switch (code) {
    case 0:
        key.number = 0;
        return;
    case 1:
        key.number = ParseDecimal(text(AlarmField::TimeDeparture));
        return;
    case 2:
        FoldCase(text(AlarmField::Recorder), key.text);
        return;
    case 3:
        key.number = Int32Of(text(AlarmField::CameraID));
        return;
    case 4:
        key.number = Int32Of(text(AlarmField::TrackID));
        return;
    case 5:
        key.number = Int32Of(text(AlarmField::AlarmType));
        return;
    case 6:
        FoldCase(text(AlarmField::AddInfo), key.text);
        return;
    case 7:
        key.number = ConfirmationRank(bytes);
        return;
    case 8:
        FoldCase(text(AlarmField::ConfirmUser), key.text);
        return;
    case 9:
        FoldCase(text(AlarmField::ConfirmComment), key.text);
        return;
    case 11:
        key.number = ParseDecimal(text(AlarmField::ActionTime));
        return;
    default:
        if (m_sortKeys == nullptr)
            return;
        AlarmRecord record = AlarmRecord::FromBytes(bytes);
        if (m_sortKeys->KindOf(code) == SortKeyKind::Number) {
            key.number = m_sortKeys->NumberKey(code, record);
            return;
        }
        m_sortKeys->TextKey(code, record, m_textKey);
        FoldCase(m_textKey, key.text);
    }
}

std::vector<uint8_t> AlarmDatabase::ViewMembership() const
{
    if (!m_filterActive)
        return {};
    std::vector<uint8_t> member(static_cast<size_t>(m_count), 0);
    m_view.ForEach([&member](int number) { member[static_cast<size_t>(number)] = 1; });
    return member;
}

bool AlarmDatabase::SortView(int code, SortDirection direction)
{
    SortKeyKind kind = KindOf(code);
    if (kind == SortKeyKind::None)
        return false;
    bool sorted =
        code == kSortByArrival ? SortByRecordNumber(direction) : SortByKeys(code, kind, direction);
    if (!sorted)
        return false;
    m_sortCode = code;
    m_sortDirection = direction;
    m_lastPosition = -1;
    return true;
}

bool AlarmDatabase::SortByRecordNumber(SortDirection direction)
{
    std::vector<int> numbers;
    if (m_filterActive) {
        numbers = m_view.Flatten();
        std::sort(numbers.begin(), numbers.end());
    } else {
        // Unfiltered, the view holds every record: file order needs no comparison.
        numbers.resize(static_cast<size_t>(m_count));
        std::iota(numbers.begin(), numbers.end(), 0);
    }
    if (direction == SortDirection::Descending)
        std::reverse(numbers.begin(), numbers.end());
    AssignView(numbers);
    return true;
}

// Each record's key is read once into an unsigned number whose ascending
// order is the wanted order: numbers directly, texts by the rank of their
// folded form among the distinct texts. A stable radix sort of the entries,
// taken newest first, then leaves equal keys newest first.
bool AlarmDatabase::SortByKeys(int code, SortKeyKind kind, SortDirection direction)
{
    std::vector<uint8_t> member = ViewMembership();
    std::vector<SortEntry> entries;
    entries.reserve(m_view.Size());
    std::unordered_map<std::string, uint32_t> textIds;
    if (kind == SortKeyKind::Number && IsFieldCode(code) && BuildNumberKeys(code)) {
        const std::vector<int64_t>& keys = m_numberKeys[static_cast<size_t>(code)];
        for (int number = 0; number < m_count; ++number) {
            if (member.empty() || member[static_cast<size_t>(number)] != 0)
                entries.push_back(
                    {static_cast<uint64_t>(keys[static_cast<size_t>(number)]) ^ (uint64_t{1} << 63),
                     number});
        }
    } else if (InternedColumn* column = TextColumn(code)) {
        // The key of each distinct combination of texts, from a record that
        // holds just these texts.
        std::vector<uint64_t> keyOf(column->Distinct());
        char bytes[AlarmRecord::kRecordBytes];
        AlarmRecord::NewAlarm().Encode(bytes);
        bool delegated = !IsFieldCode(code);
        if (delegated)
            m_sortKeys->BeginPass();
        SortKey key;
        for (uint32_t id = 0; id < keyOf.size(); ++id) {
            column->Restore(id, bytes);
            KeyOf(code, bytes, key);
            keyOf[id] = kind == SortKeyKind::Number
                            ? static_cast<uint64_t>(key.number) ^ (uint64_t{1} << 63)
                            : textIds.try_emplace(key.text, static_cast<uint32_t>(textIds.size()))
                                  .first->second;
        }
        if (delegated)
            m_sortKeys->EndPass();
        const std::vector<uint32_t>& ids = column->Ids();
        for (int number = 0; number < m_count; ++number) {
            if (member.empty() || member[static_cast<size_t>(number)] != 0)
                entries.push_back({keyOf[ids[static_cast<size_t>(number)]], number});
        }
    } else {
        bool delegated = !IsFieldCode(code);
        if (delegated)
            m_sortKeys->BeginPass();
        SortKey key;
        bool read = Walk(0, m_count, [&](int number, const char* bytes) {
            if (!member.empty() && member[static_cast<size_t>(number)] == 0)
                return true;
            KeyOf(code, bytes, key);
            if (kind == SortKeyKind::Number) {
                entries.push_back(
                    {static_cast<uint64_t>(key.number) ^ (uint64_t{1} << 63), number});
                return true;
            }
            auto id = textIds.try_emplace(key.text, static_cast<uint32_t>(textIds.size())).first;
            entries.push_back({id->second, number});
            return true;
        });
        if (delegated)
            m_sortKeys->EndPass();
        if (!read)
            return false;
    }
    if (entries.size() != m_view.Size())
        return false;

    RankKeys(entries, kind, direction, textIds);
    std::reverse(entries.begin(), entries.end());
    RadixSort(entries);
    std::vector<int> numbers(entries.size());
    for (size_t i = 0; i < entries.size(); ++i)
        numbers[i] = entries[i].number;
    AssignView(numbers);
    return true;
}

std::vector<int64_t>* AlarmDatabase::NumberKeys(int code)
{
    if (code <= 0 || code >= static_cast<int>(m_numberKeys.size()))
        return nullptr;
    std::vector<int64_t>& keys = m_numberKeys[static_cast<size_t>(code)];
    return keys.size() == static_cast<size_t>(m_count) && m_count > 0 ? &keys : nullptr;
}

bool AlarmDatabase::BuildNumberKeys(int code)
{
    if (NumberKeys(code) != nullptr)
        return true;
    std::vector<int64_t>& keys = m_numberKeys[static_cast<size_t>(code)];
    keys.clear();
    keys.reserve(static_cast<size_t>(m_count));
    SortKey key;
    bool read = Walk(0, m_count, [&](int, const char* bytes) {
        KeyOf(code, bytes, key);
        keys.push_back(key.number);
        return true;
    });
    if (!read || keys.size() != static_cast<size_t>(m_count)) {
        keys.clear();
        return false;
    }
    return true;
}

void AlarmDatabase::KeepNumberKeys(int number, const char* bytes)
{
    SortKey key;
    for (size_t code = 1; code < m_numberKeys.size(); ++code) {
        std::vector<int64_t>& keys = m_numberKeys[code];
        if (keys.empty())
            continue;
        KeyOf(static_cast<int>(code), bytes, key);
        auto at = static_cast<size_t>(number);
        if (at < keys.size())
            keys[at] = key.number;
        else if (at == keys.size())
            keys.push_back(key.number);
        else
            keys.clear();
    }
}

void AlarmDatabase::ForgetNumberKeys()
{
    for (std::vector<int64_t>& keys : m_numberKeys) {
        keys.clear();
        keys.shrink_to_fit();
    }
    m_textColumns.clear();
}

size_t AlarmDatabase::SortColumnBytes() const
{
    size_t bytes = 0;
    for (const std::vector<int64_t>& keys : m_numberKeys)
        bytes += keys.capacity() * sizeof(int64_t);
    for (const TextColumnSlot& slot : m_textColumns)
        bytes += slot.column.MemoryBytes();
    return bytes;
}

std::vector<AlarmField> AlarmDatabase::ColumnFields(int code) const
{
    switch (code) {
    case 2:
        return {AlarmField::Recorder};
    case 6:
        return {AlarmField::AddInfo};
    case 8:
        return {AlarmField::ConfirmUser};
    case 9:
        return {AlarmField::ConfirmComment};
    default:
        if (IsFieldCode(code) || m_sortKeys == nullptr)
            return {};
        return m_sortKeys->KeyFields(code);
    }
}

InternedColumn* AlarmDatabase::TextColumn(int code)
{
    std::vector<AlarmField> fields = ColumnFields(code);
    if (fields.empty() || m_count == 0)
        return nullptr;
    auto slot = std::find_if(m_textColumns.begin(), m_textColumns.end(),
                             [&](const TextColumnSlot& s) { return s.column.Fields() == fields; });
    if (slot == m_textColumns.end())
        slot = m_textColumns.insert(slot, TextColumnSlot{InternedColumn(fields)});
    InternedColumn& column = slot->column;
    if (slot->gaveUp)
        return nullptr;
    if (column.Size() == static_cast<size_t>(m_count))
        return &column;
    column.Clear();
    bool kept = true;
    bool read = Walk(0, m_count, [&](int number, const char* bytes) {
        kept = column.Set(static_cast<size_t>(number), bytes);
        return kept;
    });
    slot->gaveUp = !kept;
    if (!read || !kept || column.Size() != static_cast<size_t>(m_count)) {
        column.Clear();
        return nullptr;
    }
    return &column;
}

void AlarmDatabase::KeepTextColumns(int number, const char* bytes)
{
    for (TextColumnSlot& slot : m_textColumns) {
        InternedColumn& column = slot.column;
        if (column.Size() == 0)
            continue;
        if (static_cast<size_t>(number) > column.Size())
            column.Clear();
        else if (!column.Set(static_cast<size_t>(number), bytes))
            slot.gaveUp = true;
    }
}
