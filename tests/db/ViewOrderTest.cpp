// The block-wise view order against a plain array under random inserts,
// erases and reassignments, across block splits and empty blocks.
#include "db/ViewOrder.h"

#include <algorithm>
#include <random>
#include <vector>

#include <gtest/gtest.h>

namespace {

void ExpectSame(const ViewOrder& order, const std::vector<int>& reference)
{
    ASSERT_EQ(order.Size(), reference.size());
    ASSERT_EQ(order.Flatten(), reference);
    for (size_t i = 0; i < reference.size(); i += 1 + reference.size() / 50)
        ASSERT_EQ(order.At(i), reference[i]) << i;
}

} // namespace

TEST(ViewOrder, StartsEmpty)
{
    ViewOrder order;
    EXPECT_TRUE(order.Empty());
    EXPECT_EQ(order.Find(3), -1);
    order.Insert(0, 7);
    EXPECT_EQ(order.At(0), 7);
    order.Erase(0);
    EXPECT_TRUE(order.Empty());
    order.Insert(0, 8);
    EXPECT_EQ(order.Flatten(), std::vector<int>{8});
}

TEST(ViewOrder, MatchesAnArrayUnderRandomChanges)
{
    std::mt19937 random(9);
    ViewOrder order;
    std::vector<int> reference;
    int next = 0;
    for (int round = 0; round < 40; ++round) {
        if (round % 10 == 0) {
            reference.resize(random() % 20'000);
            for (int& number : reference)
                number = next++;
            order.Assign(reference);
        }
        for (int step = 0; step < 2'000; ++step) {
            unsigned action = random() % 10;
            if (action < 6 || reference.empty()) {
                // Inserts cluster at the ends, as new alarms do.
                size_t position = action == 0   ? 0
                                  : action == 1 ? reference.size()
                                                : random() % (reference.size() + 1);
                order.Insert(position, next);
                reference.insert(reference.begin() + static_cast<ptrdiff_t>(position), next++);
            } else {
                size_t position = random() % reference.size();
                order.Erase(position);
                reference.erase(reference.begin() + static_cast<ptrdiff_t>(position));
            }
        }
        ExpectSame(order, reference);
        if (!reference.empty()) {
            int wanted = reference[random() % reference.size()];
            long found = order.Find(wanted);
            ASSERT_GE(found, 0);
            EXPECT_EQ(reference[static_cast<size_t>(found)], wanted);
        }
    }
}

TEST(ViewOrder, GrowsPastManyBlocksAtTheFront)
{
    ViewOrder order;
    std::vector<int> reference;
    for (int i = 0; i < 3 * static_cast<int>(ViewOrder::kMaxBlock) + 5; ++i) {
        order.Insert(0, i);
        reference.insert(reference.begin(), i);
    }
    ExpectSame(order, reference);
    while (!reference.empty()) {
        order.Erase(reference.size() - 1);
        reference.pop_back();
    }
    EXPECT_TRUE(order.Empty());
}
