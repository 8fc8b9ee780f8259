// The redo journal beside the alarm database ("AlarmDB.journal"). A kill can
// cut a write short, so an in-place update is first recorded here whole
// (offset, bytes, checksum) and only then written into the database; the
// next open writes every complete entry again. A record is thus either as
// before or as after an update, never a mix of both.
#pragma once

#include "db/FileHandle.h"

#include <cstdint>
#include <span>
#include <string>

class RedoJournal {
public:
    RedoJournal() = default;

    // Opens or creates the journal file.
    bool Open(const std::string& path);
    void Close();
    bool IsOpen() const { return m_file.IsOpen(); }

    // Appends one entry with a single write; true once it is whole in the file.
    bool Record(int64_t offset, std::span<const char> bytes);
    // Forgets every entry: their writes are complete.
    bool Clear();

    // Writes every complete entry into `target`, in order, skipping entries
    // that reach beyond targetSize; stops at the first torn or foreign entry.
    // Syncs the target, then empties the journal. The number of entries
    // written, or -1 when writing into the target failed (the journal is then
    // kept for the next attempt).
    int Replay(FileHandle& target, int64_t targetSize);

private:
    FileHandle m_file;
    int64_t m_size = 0;
};
