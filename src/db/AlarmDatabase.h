// The alarm database: fixed-size records in "AlarmDB.txt", appended in
// arrival order, updated in place through a redo journal, deleted in batches
// by rewriting the file; plus the view, the ordered record numbers the alarm
// list shows after its filter and sort. One thread; no worker threads.
#pragma once

#include "db/AlarmRecord.h"
#include "db/AwaitingIndex.h"
#include "db/InternedColumn.h"
#include "db/RedoJournal.h"
#include "db/SortKeySource.h"
#include "db/ViewOrder.h"
#include "platform/posix/FileHandle.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

class BusyIndicator;
class ConfigNode;
class ConfigTree;
class ModifierKeys;
class RecordFilter;

enum class DbError : int {
    None = 0,
    CannotOpen = 1,
    WriteFailed = 2,
    SeekFailed = 3,
    OutOfRange = 4,
    TempNotCreated = 6,
    AlreadyOpen = 7,
};

enum class SortDirection { Ascending, Descending };

class AlarmDatabase final {
public:
    static constexpr int kViewGrowth = 50'000;
    // Sort codes whose key is a record field; others come from the key source.
    static constexpr int kSortByArrival = 0;

    // The count cache "db.cache" lives in programFolder.
    AlarmDatabase(ConfigTree& tree, std::filesystem::path programFolder, ModifierKeys& keys,
                  BusyIndicator& busy);
    ~AlarmDatabase();
    AlarmDatabase(const AlarmDatabase&) = delete;
    AlarmDatabase& operator=(const AlarmDatabase&) = delete;

    // Opens or creates the file, completes an update a kill interrupted,
    // establishes the record count, converts an older layout, cuts off a
    // trailing partial record and shows every record in file order.
    [[nodiscard]] bool Open(const std::string& path);
    // Writes "db.cache" when Runtime/FFTMNumRecords/iDoNotWriteDBCache is 0.
    void Close();
    bool IsOpen() const { return m_file.IsOpen(); }
    const std::string& Path() const { return m_path; }

    // Writes at 383 x count and enters the record into the view at the
    // position its sort order gives it (the last position).
    [[nodiscard]] bool Append(const AlarmRecord& record);
    [[nodiscard]] bool Read(int number, AlarmRecord& record);
    // Rewrites the 13 fields; the line end stays.
    [[nodiscard]] bool Update(int number, const AlarmRecord& record);
    // Makes what Append and Update wrote since the last call durable, with
    // one fdatasync; no system call when they wrote nothing.
    [[nodiscard]] bool SyncWrites();
    // The record with that arrival time (decimal text), or -1.
    int FindByArrival(std::string_view key, int hint);
    // Removes the records by rewriting the file, then rebuilds the view with
    // the current filter and order. Numbers out of range are ignored.
    [[nodiscard]] bool DeleteRecords(std::span<const int> numbers);

    int RecordCount() const { return m_count; }
    int Current() const { return m_current; }
    DbError LastError() const { return m_lastError; }

    int ViewCount() const { return static_cast<int>(m_view.Size()); }
    int ViewCapacity() const { return m_viewCapacity; }
    // -1 outside the view.
    int ViewRecord(int position) const;
    [[nodiscard]] bool ReadViewed(int position, AlarmRecord& record);
    // Position of the most recently appended record; -1 after a view change
    // or when the record did not pass the filter.
    int LastPosition() const { return m_lastPosition; }

    // The list filter the view uses while filtering is active; not owned.
    void SetViewFilter(RecordFilter* filter) { m_filter = filter; }
    void SetFilterActive();
    void ClearFilter();
    bool IsFilterActive() const { return m_filterActive; }
    // After a record changed: takes it out of the filtered view when it no
    // longer passes, or in when it now does.
    void ReevaluateRecord(int number);

    // Codes 0 to 9 and 11 are record fields; any other code is asked of the
    // key source. False, with the view unchanged, for a code nobody knows.
    bool SortView(int code, SortDirection direction);
    int SortCode() const { return m_sortCode; }
    SortDirection SortOrder() const { return m_sortDirection; }
    void SetSortKeySource(SortKeySource* source) { m_sortKeys = source; }
    // Memory held by the sort keys kept for the codes sorted by so far.
    size_t SortColumnBytes() const;

    // Keeps a copy of every record in memory and serves reads from it.
    [[nodiscard]] bool LoadIntoMemory();
    bool InMemory() const { return m_inMemory; }

    // Records that await an operator (see AwaitingIndex). The first call
    // after an open reads the file once, unless the index is built in slices.
    std::vector<AwaitingGroup> AwaitingGroups();
    const std::vector<int>& UnconfirmedRecords();
    int FirstUnconfirmed(const AwaitingIndex::Wanted& wanted,
                         const AwaitingIndex::Accepted& accepted = {});
    // For a start that must not wait for a pass over every record: the
    // questions above answer from the records indexed so far (a prefix of
    // the file) until BuildIndexSlice has indexed them all; then `completed`
    // hears which of them were answered early, to ask again.
    using IndexCompleted = std::function<void(bool groupsAsked, bool unconfirmedAsked)>;
    void BuildIndexInSlices(IndexCompleted completed);
    // Indexes up to `records` more records; true once the index is complete.
    bool BuildIndexSlice(int records);
    bool IndexComplete() const { return m_indexBuilt; }

private:
    enum class Opened { Ready, Converted, Failed };
    struct SortKey {
        int64_t number = 0;
        std::string text;
    };

    Opened OpenOnce();
    void ReleaseFiles();
    [[nodiscard]] bool ReadCountCache(int64_t& count);
    void WriteCountCache();
    [[nodiscard]] bool ConvertLayout(int fieldCount);
    [[nodiscard]] bool WriteConvertedRecords(int fieldCount, FileHandle& out);
    bool EnsureIndex();
    bool IndexUpTo(int end);
    // Before the file is rewritten other than through the journal: writes
    // entries an update could not complete, then empties the journal, whose
    // entries would not fit the rewritten file.
    [[nodiscard]] bool SettleJournal();
    // The two ways DeleteRecords changes the file: emptied, or rewritten
    // with the records `drop` leaves (`keep` of them).
    [[nodiscard]] bool EmptyFile();
    [[nodiscard]] bool RewriteWithout(const std::vector<uint8_t>& drop, int keep);
    void SetRuntimeDoNotWriteCache(int32_t value);

    // Calls visit(number, bytes) for records first..end-1 in file order,
    // reading large blocks. False on a read error.
    template <typename Visit>
    bool Walk(int first, int end, Visit&& visit);
    [[nodiscard]] bool ReadBytes(int number, char* bytes, size_t size);
    int64_t ArrivalOf(int number);

    void RebuildView();
    void AssignView(const std::vector<int>& numbers);
    void ReserveView(size_t size);
    void AddToView(int number, const AlarmRecord& record);
    int InsertionPosition(int number, const AlarmRecord& record);
    SortKeyKind KindOf(int code) const;
    // From a record's bytes in the file's form.
    void KeyOf(int code, const char* bytes, SortKey& key);
    bool SortByRecordNumber(SortDirection direction);
    bool SortByKeys(int code, SortKeyKind kind, SortDirection direction);
    std::vector<uint8_t> ViewMembership() const;

    // The number keys of the record-field sort codes: made by the first sort
    // by a code and kept on append and update, so later sorts and sorted
    // inserts read nothing from the file.
    std::vector<int64_t>* NumberKeys(int code);
    bool BuildNumberKeys(int code);
    void KeepNumberKeys(int number, const char* bytes);
    void ForgetNumberKeys();

    // The same for codes whose key comes from texts (codes 2, 6, 8, 9 and
    // the key source's codes that name their fields): the fields' texts,
    // interned; null when a code has none or its texts are too varied.
    InternedColumn* TextColumn(int code);
    std::vector<AlarmField> ColumnFields(int code) const;
    void KeepTextColumns(int number, const char* bytes);

    ConfigTree& m_tree;
    std::filesystem::path m_programFolder;
    ModifierKeys& m_keys;
    BusyIndicator& m_busy;

    std::string m_path;
    FileHandle m_file;
    // The record written last, as it is in the file: a new alarm is read
    // back and updated (confirmed) right after it was appended, and neither
    // needs to read the file for it.
    int m_lastWritten = -1;
    std::array<char, AlarmRecord::kFieldBytes> m_lastBytes{};
    // Appended or updated since SyncWrites last ran.
    bool m_unsynced = false;
    RedoJournal m_journal;
    // An in-place write failed after its journal entry; keep the journal
    // for the next open instead of emptying it.
    bool m_journalPending = false;
    int m_count = 0;
    int m_current = -1;
    DbError m_lastError = DbError::None;

    bool m_inMemory = false;
    std::vector<char> m_memory;

    AwaitingIndex m_index;
    // Complete; otherwise records 0 to m_indexedUpTo - 1 are in the index.
    bool m_indexBuilt = false;
    int m_indexedUpTo = 0;
    IndexCompleted m_indexCompleted;
    bool m_groupsAskedEarly = false;
    bool m_unconfirmedAskedEarly = false;

    ViewOrder m_view;
    // Counted in steps of kViewGrowth; ViewOrder grows block by block.
    int m_viewCapacity = 0;
    int m_lastPosition = -1;
    bool m_filterActive = false;
    RecordFilter* m_filter = nullptr;
    int m_sortCode = kSortByArrival;
    SortDirection m_sortDirection = SortDirection::Ascending;
    SortKeySource* m_sortKeys = nullptr;
    std::string m_textKey;

    // Indexed by sort code; a column holds a key for every record or is empty.
    std::array<std::vector<int64_t>, 12> m_numberKeys;
    struct TextColumnSlot {
        InternedColumn column;
        // Too varied to hold: sorts by its codes read the file until the next open.
        bool gaveUp = false;
    };
    std::vector<TextColumnSlot> m_textColumns;
};
