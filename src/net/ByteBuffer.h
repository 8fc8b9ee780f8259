// Growable byte buffer: the receive buffer of every session and the output
// buffer of every socket. It grows to what it needs and never shrinks, so a
// steady stream of telegrams stops allocating once the largest one was seen.
// Consuming from the front only moves a start mark; the bytes move down when
// the room behind them is needed, so taking many small telegrams out of one
// read does not copy the rest of the read each time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

class ByteBuffer {
public:
    explicit ByteBuffer(size_t granularity = 1);

    // Makes room for n more bytes. False when the storage cannot be had.
    bool Reserve(size_t n);

    // Appends two chunks in one go; a null chunk counts as empty. Returns the
    // number of bytes appended, or -1 when the storage cannot be had.
    int64_t Append(const uint8_t* a, size_t na, const uint8_t* b = nullptr, size_t nb = 0);

    // Inserts n bytes at the front. False only when the storage cannot be had.
    bool Prepend(const uint8_t* p, size_t n);

    // Drops the first n bytes; n outside 0..length-1 empties the buffer.
    void Consume(int64_t n);

    void Clear()
    {
        m_start = 0;
        m_length = 0;
    }

    // Empties the buffer and gives its storage back.
    void Release()
    {
        Clear();
        m_data.reset();
        m_capacity = 0;
    }

    const uint8_t* Data() const { return m_data.get() + m_start; }
    size_t Length() const { return m_length; }
    size_t Capacity() const { return m_capacity; }
    bool IsEmpty() const { return m_length == 0; }

private:
    uint8_t* Begin() { return m_data.get() + m_start; }
    void MoveDown();

    std::unique_ptr<uint8_t[]> m_data;
    size_t m_capacity = 0;
    // The valid bytes are m_length bytes from m_start on.
    size_t m_start = 0;
    size_t m_length = 0;
    size_t m_granularity;
};
