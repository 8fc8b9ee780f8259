// The forwarding queue on disk ("ForwardQueue.journal" in the program
// folder). The file is mapped: every queued telegram is copied into it as it
// is queued and its mark byte set to done when it leaves the queue, so a
// relay that is killed finds what it still owed at its next start, and the
// link's pace pays no system call per telegram. The mapping is shared with
// the page cache: it survives the death of the process, not of the machine,
// and nothing is synced per telegram.
#pragma once

#include "net/ForwardQueueItem.h"
#include "net/ForwardQueueJournal.h"
#include "platform/posix/FileHandle.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <vector>

class ForwardJournal final : public ForwardQueueJournal {
public:
    static constexpr const char* kFileName = "ForwardQueue.journal";
    // Done entries in front of the first queued one are cut away once they
    // take more than this and more than the queued ones.
    static constexpr int64_t kCompactBytes = 1 << 20;
    // The file grows in steps of at least this and shrinks back to it when
    // the queue empties.
    static constexpr int64_t kMinCapacity = 1 << 20;

    explicit ForwardJournal(std::filesystem::path path);
    ~ForwardJournal() override;
    ForwardJournal(const ForwardJournal&) = delete;
    ForwardJournal& operator=(const ForwardJournal&) = delete;

    // Opens or creates the file (owner only) and returns the telegrams still
    // queued in it, oldest first. A record cut short by a kill is dropped.
    std::vector<ForwardQueueItem> Open();
    bool IsOpen() const { return m_file.IsOpen(); }

    void Appended(const ForwardQueueItem& item) override;
    void HeadRemoved() override;
    // Everything queued is handled: the file is emptied.
    void Clear();

    int64_t UsedBytes() const { return m_end; }
    size_t QueuedCount() const { return m_queued.size(); }

private:
    bool Map(int64_t capacity);
    void Unmap();
    bool Reserve(int64_t size);
    void Compact();

    std::filesystem::path m_path;
    FileHandle m_file;
    uint8_t* m_map = nullptr;
    int64_t m_capacity = 0;
    int64_t m_end = 0;
    // Where the records of the queued telegrams start, oldest first.
    std::deque<int64_t> m_queued;
};
