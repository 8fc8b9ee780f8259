// The redo journal beside the alarm database ("AlarmDB.journal"). A kill can
// cut a write short, so an in-place update is first recorded here whole
// (offset, the bytes before and after, checksum) and only then written into
// the database; the next open writes a complete entry again. A record is
// thus either as before or as after an update, never a mix of both.
//
// Each entry overwrites the previous one at the start of the file: that
// update is complete by then, and replaying it rewrites what the record
// already holds. The file is only emptied before the database is rewritten
// by other means, so an update costs no truncation.
#pragma once

#include "platform/posix/FileHandle.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

class RedoJournal {
public:
    RedoJournal() = default;

    // Opens or creates the journal file.
    [[nodiscard]] bool Open(const std::string& path);
    void Close();
    bool IsOpen() const { return m_file.IsOpen(); }

    // Records that `after` is about to replace `before` (of the same size)
    // at `offset`, with a single write; true once the entry is whole in the
    // file.
    bool Record(int64_t offset, std::span<const char> after, std::span<const char> before);
    // The write of the last recorded entry failed: it must survive, so the
    // next entries go behind it.
    void KeepLast();
    // Forgets every entry.
    bool Clear();

    // Writes every complete entry into `target`, in order, where the target
    // still holds the entry's bytes before or after, or a mix of both; the
    // rest (a file replaced or rewritten since) is left alone, as are
    // entries that reach beyond targetSize. Stops at the first torn or
    // foreign entry. Syncs the target, then empties the journal. The number
    // of entries written, or -1 when writing into the target failed (the
    // journal is then kept for the next attempt).
    int Replay(FileHandle& target, int64_t targetSize);

private:
    FileHandle m_file;
    int64_t m_size = 0;
    // Entries before this offset must survive; the next one is written here.
    int64_t m_kept = 0;
    int64_t m_lastEnd = 0;
    std::vector<char> m_entry;
};
