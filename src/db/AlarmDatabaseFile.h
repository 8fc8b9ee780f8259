// Shared by the alarm database's own source files only: the record size as a
// file offset, the name of a rewrite's temporary and the walk over stored
// records in blocks.
#pragma once

#include "db/AlarmDatabase.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string_view>

namespace alarm_database_file {

inline constexpr int64_t kRecordBytes = static_cast<int64_t>(AlarmRecord::kRecordBytes);

// Records per block when the whole file is read; about 1.5 MB.
inline constexpr int kBlockRecords = 4096;

inline constexpr std::string_view kTempSuffix = ".temp";

} // namespace alarm_database_file

template <typename Visit>
bool AlarmDatabase::Walk(int first, int end, Visit&& visit)
{
    if (m_inMemory) {
        for (int number = first; number < end; ++number) {
            if (!visit(number, m_memory.data() +
                                   static_cast<size_t>(number) * alarm_database_file::kRecordBytes))
                return true;
        }
        return true;
    }
    if (first >= end)
        return true;
    // Read into without clearing first: a small database needs a small block.
    size_t blockRecords =
        static_cast<size_t>(std::min(alarm_database_file::kBlockRecords, end - first));
    auto block =
        std::make_unique_for_overwrite<char[]>(blockRecords * alarm_database_file::kRecordBytes);
    for (int number = first; number < end;) {
        int records = std::min(alarm_database_file::kBlockRecords, end - number);
        size_t bytes = static_cast<size_t>(records) * alarm_database_file::kRecordBytes;
        int64_t got = m_file.ReadAt(number * alarm_database_file::kRecordBytes, block.get(), bytes);
        if (got < 0)
            return false;
        int whole = static_cast<int>(got / alarm_database_file::kRecordBytes);
        for (int i = 0; i < whole; ++i) {
            if (!visit(number + i,
                       block.get() + static_cast<size_t>(i) * alarm_database_file::kRecordBytes))
                return true;
        }
        if (whole < records)
            return false;
        number += records;
    }
    return true;
}
