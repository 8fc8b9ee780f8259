// The record numbers of the view in display order, kept in blocks of a few
// thousand, so that a new alarm entering a large sorted view in the middle
// moves one block instead of the whole array, and a position is found by a
// binary search over the blocks' starts.
#pragma once

#include <cstddef>
#include <vector>

class ViewOrder {
public:
    // A block is split when it grows beyond this.
    static constexpr size_t kMaxBlock = 4096;

    size_t Size() const { return m_size; }
    bool Empty() const { return m_size == 0; }
    // position < Size().
    int At(size_t position) const;

    void Clear();
    void Assign(const std::vector<int>& numbers);
    // The numbers in display order.
    std::vector<int> Flatten() const;
    // position <= Size().
    void Insert(size_t position, int number);
    void Erase(size_t position);
    // The position of the number, or -1.
    long Find(int number) const;

    template <typename Visit>
    void ForEach(Visit&& visit) const
    {
        for (const std::vector<int>& block : m_blocks) {
            for (int number : block)
                visit(number);
        }
    }

private:
    // The block holding the position and the position within it.
    std::pair<size_t, size_t> Locate(size_t position) const;
    void RecountStarts(size_t fromBlock);

    std::vector<std::vector<int>> m_blocks;
    // Position of each block's first entry.
    std::vector<size_t> m_starts;
    size_t m_size = 0;
};
