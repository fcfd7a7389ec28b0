// Tables from the large-page allocator keep their contents through growth
// and are aligned as promised, on both sides of the 2 MB line.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "engine/LargeTable.h"

TEST(LargeTable, TablesGrowAcrossTheLargePageLineAndKeepEveryValue) {
    struct alignas(64) Entry {
        int32_t value;
    };
    std::vector<Entry, LargeTableAllocator<Entry>> entries;
    const int32_t count = static_cast<int32_t>(3 * largetable::kPage / sizeof(Entry));
    for (int32_t k = 0; k < count; ++k) {
        entries.push_back(Entry{k * 7});
        ASSERT_EQ(reinterpret_cast<uintptr_t>(entries.data()) % 64, 0u);
    }
    EXPECT_EQ(reinterpret_cast<uintptr_t>(entries.data()) % largetable::kPage, 0u);
    for (int32_t k = 0; k < count; ++k)
        ASSERT_EQ(entries[static_cast<size_t>(k)].value, k * 7);

    std::vector<int32_t, LargeTableAllocator<int32_t>> small(100, -1);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(small.data()) % 64, 0u);
    small.assign(largetable::kPage, 5); // 8 MB
    EXPECT_EQ(small.front() + small.back(), 10);
}
