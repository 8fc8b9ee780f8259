// Growable byte buffer with exact growth and front consumption.
#include "net/ByteBuffer.h"

#include <cstring>
#include <new>

ByteBuffer::ByteBuffer(size_t granularity) : m_granularity(granularity == 0 ? 1 : granularity) {}

bool ByteBuffer::Reserve(size_t n)
{
    if (m_data && m_capacity - m_length >= n) {
        if (m_capacity - m_start - m_length < n)
            MoveDown();
        return true;
    }
    if (n > SIZE_MAX - m_length - m_granularity)
        return false;
    size_t capacity = m_length + n;
    capacity = (capacity + m_granularity - 1) / m_granularity * m_granularity;
    std::unique_ptr<uint8_t[]> data(new (std::nothrow) uint8_t[capacity == 0 ? 1 : capacity]);
    if (!data)
        return false;
    if (m_length > 0)
        std::memcpy(data.get(), Begin(), m_length);
    m_data = std::move(data);
    m_capacity = capacity;
    m_start = 0;
    return true;
}

int64_t ByteBuffer::Append(const uint8_t* a, size_t na, const uint8_t* b, size_t nb)
{
    if (a == nullptr)
        na = 0;
    if (b == nullptr)
        nb = 0;
    if (na > SIZE_MAX - nb || !Reserve(na + nb))
        return -1;
    if (na > 0)
        std::memcpy(Begin() + m_length, a, na);
    if (nb > 0)
        std::memcpy(Begin() + m_length + na, b, nb);
    m_length += na + nb;
    return static_cast<int64_t>(na + nb);
}

bool ByteBuffer::Prepend(const uint8_t* p, size_t n)
{
    if (p == nullptr || n == 0)
        return true;
    if (m_start >= n) {
        m_start -= n;
    } else {
        if (!Reserve(n))
            return false;
        MoveDown();
        std::memmove(m_data.get() + n, m_data.get(), m_length);
    }
    std::memcpy(Begin(), p, n);
    m_length += n;
    return true;
}

void ByteBuffer::Consume(int64_t n)
{
    if (n < 0 || static_cast<uint64_t>(n) >= m_length) {
        Clear();
        return;
    }
    m_start += static_cast<size_t>(n);
    m_length -= static_cast<size_t>(n);
}

void ByteBuffer::MoveDown()
{
    if (m_start == 0)
        return;
    std::memmove(m_data.get(), Begin(), m_length);
    m_start = 0;
}
