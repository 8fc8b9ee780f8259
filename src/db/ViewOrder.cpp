#include "db/ViewOrder.h"

#include <algorithm>

namespace {

// Blocks start half full, so that inserts have room before a split.
constexpr size_t kFillBlock = ViewOrder::kMaxBlock / 2;

} // namespace

int ViewOrder::At(size_t position) const
{
    auto [block, offset] = Locate(position);
    return m_blocks[block][offset];
}

void ViewOrder::Clear()
{
    m_blocks.clear();
    m_starts.clear();
    m_size = 0;
}

void ViewOrder::Assign(const std::vector<int>& numbers)
{
    Clear();
    for (size_t start = 0; start < numbers.size(); start += kFillBlock) {
        size_t end = std::min(numbers.size(), start + kFillBlock);
        m_blocks.emplace_back(numbers.begin() + static_cast<ptrdiff_t>(start),
                              numbers.begin() + static_cast<ptrdiff_t>(end));
        m_starts.push_back(start);
    }
    m_size = numbers.size();
}

std::vector<int> ViewOrder::Flatten() const
{
    std::vector<int> numbers;
    numbers.reserve(m_size);
    ForEach([&numbers](int number) { numbers.push_back(number); });
    return numbers;
}

std::pair<size_t, size_t> ViewOrder::Locate(size_t position) const
{
    auto after = std::upper_bound(m_starts.begin(), m_starts.end(), position);
    size_t block = static_cast<size_t>(after - m_starts.begin()) - 1;
    return {block, position - m_starts[block]};
}

void ViewOrder::RecountStarts(size_t fromBlock)
{
    for (size_t block = fromBlock; block < m_blocks.size(); ++block)
        m_starts[block] = block == 0 ? 0 : m_starts[block - 1] + m_blocks[block - 1].size();
}

void ViewOrder::Insert(size_t position, int number)
{
    if (m_blocks.empty()) {
        m_blocks.emplace_back();
        m_blocks.back().reserve(kMaxBlock);
        m_starts.push_back(0);
    }
    // The end of the view belongs to the last block.
    auto [block, offset] = position == m_size
                               ? std::pair{m_blocks.size() - 1, m_blocks.back().size()}
                               : Locate(position);
    std::vector<int>& entries = m_blocks[block];
    entries.insert(entries.begin() + static_cast<ptrdiff_t>(offset), number);
    ++m_size;
    if (entries.size() <= kMaxBlock) {
        for (size_t later = block + 1; later < m_starts.size(); ++later)
            ++m_starts[later];
        return;
    }
    std::vector<int> upper(entries.begin() + static_cast<ptrdiff_t>(kFillBlock), entries.end());
    entries.resize(kFillBlock);
    m_blocks.insert(m_blocks.begin() + static_cast<ptrdiff_t>(block) + 1, std::move(upper));
    m_starts.insert(m_starts.begin() + static_cast<ptrdiff_t>(block) + 1, 0);
    RecountStarts(block + 1);
}

void ViewOrder::Erase(size_t position)
{
    auto [block, offset] = Locate(position);
    std::vector<int>& entries = m_blocks[block];
    entries.erase(entries.begin() + static_cast<ptrdiff_t>(offset));
    --m_size;
    if (entries.empty()) {
        m_blocks.erase(m_blocks.begin() + static_cast<ptrdiff_t>(block));
        m_starts.erase(m_starts.begin() + static_cast<ptrdiff_t>(block));
    }
    RecountStarts(block);
}

long ViewOrder::Find(int number) const
{
    for (size_t block = 0; block < m_blocks.size(); ++block) {
        auto at = std::find(m_blocks[block].begin(), m_blocks[block].end(), number);
        if (at != m_blocks[block].end())
            return static_cast<long>(m_starts[block]) + (at - m_blocks[block].begin());
    }
    return -1;
}
