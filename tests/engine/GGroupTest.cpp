#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "engine/GDynamicArray.h"
#include "engine/GGroup.h"
#include "engine/GOLTA.h"

namespace {

// A member that counts its live instances and carries a key and a tag.
class Item : public GObject {
public:
    explicit Item(int key = 0, int tag = 0) : key(key), tag(tag) { ++sLive; }
    ~Item() override { --sLive; }
    GObject* CopyItself() override { return new Item(key, tag); }
    int key;
    int tag;
    static int sLive;
};
int Item::sLive = 0;

int KeyOf(GObject* o) {
    return static_cast<Item*>(o)->key;
}

int32_t ByKey(GObject* a, GObject* b, void*) {
    return KeyOf(a) - KeyOf(b);
}

std::vector<int> Keys(GList& list) {
    std::vector<int> keys;
    for (int32_t i = 0; i < list.GetCount(); ++i)
        keys.push_back(KeyOf(list.GetObjectA(i)));
    return keys;
}

void Fill(GList& list, std::initializer_list<int> keys) {
    for (int k : keys)
        list.Add(new Item(k));
}

class GroupTest : public ::testing::Test {
protected:
    void SetUp() override { Item::sLive = 0; }
    void TearDown() override { EXPECT_EQ(Item::sLive, 0) << "leaked or double-freed members"; }
};

} // namespace

TEST_F(GroupTest, OwningGroupDeletesAndPreservingGroupNever) {
    auto owner = std::make_unique<GList>();
    owner->IList();
    Fill(*owner, {1, 2, 3});
    owner->Delete(owner->GetObjectA(0), true);
    EXPECT_EQ(Item::sLive, 2);
    owner.reset();
    EXPECT_EQ(Item::sLive, 0);

    Item a(1), b(2), c(3);
    {
        GList keeper;
        keeper.IList();
        keeper.PreserveObjects();
        keeper.Add(&a);
        keeper.Add(&b);
        keeper.Add(&c);
        keeper.Delete(&a, true);
        keeper.DeleteIndex(0, true);
        keeper.EmptyOut(true);
        keeper.Add(&c);
    }
    EXPECT_EQ(Item::sLive, 3);
}

TEST_F(GroupTest, WalkingFindingAndMembership) {
    GList list;
    list.IList();
    Fill(list, {5, 7, 9, 7});
    std::vector<int> seen;
    list.DoForEach([](GObject* m, void* ctx) { static_cast<std::vector<int>*>(ctx)->push_back(KeyOf(m)); },
                   &seen);
    EXPECT_EQ(seen, (std::vector<int>{5, 7, 9, 7}));

    GObject* found = list.Find([](GObject* m, void*) { return KeyOf(m) == 7; }, nullptr);
    EXPECT_EQ(found, list.GetObjectA(1));
    EXPECT_EQ(list.Find([](GObject*, void*) { return false; }, nullptr), nullptr);
    EXPECT_TRUE(list.IsMember(list.GetObjectA(2)));
    Item stranger;
    EXPECT_FALSE(list.IsMember(&stranger));

    std::vector<int> indices;
    list.DoForEachIndex(
        [](int32_t i, GObject*, void* ctx) { static_cast<std::vector<int>*>(ctx)->push_back(i); }, &indices);
    EXPECT_EQ(indices, (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(list.GetObjectA(-1), nullptr);
    EXPECT_EQ(list.GetObjectA(4), nullptr);
}

TEST_F(GroupTest, LocateInsertReplaceSwapAndNext) {
    GList list;
    list.IList();
    Fill(list, {10, 20, 30});
    GObject* second = list.GetObjectA(1);
    EXPECT_EQ(list.Locate(nullptr, second), 1);
    EXPECT_EQ(list.Locate([](int32_t, GObject* m, void*) { return KeyOf(m) > 15; }, nullptr), 1);
    EXPECT_EQ(list.Locate([](int32_t i, GObject*, void*) { return i > 5; }, nullptr), -1);

    list.Insert(new Item(5), -3);
    list.Insert(new Item(25), 3);
    list.Insert(new Item(99), 100);
    EXPECT_EQ(Keys(list), (std::vector<int>{5, 10, 20, 25, 30, 99}));

    list.ReplaceIndex(5, new Item(40), true);
    Item refused(0);
    list.ReplaceIndex(6, &refused, true); // outside: nothing replaced
    EXPECT_EQ(Item::sLive, 7);
    list.Swap(0, 5);
    list.Swap(0, 9);
    EXPECT_EQ(Keys(list), (std::vector<int>{40, 10, 20, 25, 30, 5}));

    GObject* first = list.GetObjectA(0);
    GObject* last = list.GetObjectA(5);
    EXPECT_EQ(list.GetNext(first, true, false), list.GetObjectA(1));
    EXPECT_EQ(list.GetNext(last, true, false), nullptr);
    EXPECT_EQ(list.GetNext(last, true, true), first);
    EXPECT_EQ(list.GetNext(first, false, false), nullptr);
    EXPECT_EQ(list.GetNext(first, false, true), last);
    Item stranger;
    EXPECT_EQ(list.GetNext(&stranger, true, true), nullptr);
}

TEST_F(GroupTest, DeleteSomeTestsAllFirstThenRemovesFromTheBack) {
    GList list;
    list.IList();
    Fill(list, {1, 2, 3, 4, 5, 6});
    struct Context {
        GList* list;
        int calls = 0;
        int countSeen = 0;
        GList moved;
    } ctx;
    ctx.list = &list;
    ctx.moved.IList();
    // Odd keys go over to another list; the test sees the full list each time.
    list.DeleteSome(
        [](GObject* m, void* p) {
            auto* c = static_cast<Context*>(p);
            ++c->calls;
            c->countSeen = std::max(c->countSeen, c->list->GetCount());
            if (KeyOf(m) % 2 == 0) return false;
            c->moved.Add(m);
            return true;
        },
        &ctx, false);
    EXPECT_EQ(ctx.calls, 6);
    EXPECT_EQ(ctx.countSeen, 6);
    EXPECT_EQ(Keys(list), (std::vector<int>{2, 4, 6}));
    EXPECT_EQ(Keys(ctx.moved), (std::vector<int>{1, 3, 5}));

    // Deleting variant, by index; the destruction order is last to first.
    static std::vector<int> order;
    order.clear();
    struct Noisy : Item {
        using Item::Item;
        ~Noisy() override { order.push_back(key); }
    };
    GList noisy;
    noisy.IList();
    for (int k = 0; k < 5; ++k)
        noisy.Add(new Noisy(k));
    noisy.DeleteSomeIndices([](int32_t i, GObject*, void*) { return i != 2; }, nullptr, true);
    EXPECT_EQ(order, (std::vector<int>{4, 3, 1, 0}));
    EXPECT_EQ(Keys(noisy), (std::vector<int>{2}));

    GList empty;
    empty.IList();
    empty.DeleteSome([](GObject*, void*) { return true; }, nullptr, true);
    EXPECT_EQ(empty.GetCount(), 0);
}

TEST_F(GroupTest, DeleteSomeHandlesListsLargerThanTheLocalMarks) {
    GList list;
    list.IList();
    for (int k = 0; k < 1000; ++k)
        list.Add(new Item(k));
    list.DeleteSome([](GObject* m, void*) { return KeyOf(m) % 3 != 0; }, nullptr, true);
    ASSERT_EQ(list.GetCount(), 334);
    EXPECT_EQ(KeyOf(list.GetObjectA(333)), 999);
    EXPECT_EQ(Item::sLive, 334);
}

TEST_F(GroupTest, QuickSortAgreesWithAReferenceSortAtEverySize) {
    SeedRandomGenerator(5);
    for (int n : {0, 1, 2, 5, 11, 12, 13, 30, 100, 1000}) {
        GList list;
        list.IList();
        std::vector<int> reference;
        for (int i = 0; i < n; ++i) {
            int key = static_cast<int>(RandomPick(n / 2 + 1)); // plenty of equal keys
            list.Add(new Item(key));
            reference.push_back(key);
        }
        std::sort(reference.begin(), reference.end());
        list.QuickSort(ByKey, nullptr);
        EXPECT_EQ(Keys(list), reference) << n;
    }
}

TEST_F(GroupTest, QuickSortSurvivesAnInconsistentComparison) {
    GList list;
    list.IList();
    for (int k = 0; k < 200; ++k)
        list.Add(new Item(k));
    list.QuickSort([](GObject*, GObject*, void*) -> int32_t { return -1; }, nullptr);
    EXPECT_EQ(list.GetCount(), 200);
    std::vector<int> keys = Keys(list);
    std::sort(keys.begin(), keys.end());
    for (int k = 0; k < 200; ++k)
        EXPECT_EQ(keys[k], k);
}

TEST_F(GroupTest, InsertionSortIsStable) {
    GList list;
    list.IList();
    int tags = 0;
    for (int key : {3, 1, 2, 1, 3, 2, 1})
        list.Add(new Item(key, tags++));
    list.InsertionSort(ByKey, nullptr);
    std::vector<std::pair<int, int>> got;
    for (int32_t i = 0; i < list.GetCount(); ++i) {
        auto* item = static_cast<Item*>(list.GetObjectA(i));
        got.emplace_back(item->key, item->tag);
    }
    EXPECT_EQ(got,
              (std::vector<std::pair<int, int>>{{1, 1}, {1, 3}, {1, 6}, {2, 2}, {2, 5}, {3, 0}, {3, 4}}));
}

TEST_F(GroupTest, RandomShuffleIsARepeatablePermutation) {
    auto shuffled = [](uint32_t seed) {
        GList list;
        list.IList();
        for (int k = 0; k < 50; ++k)
            list.Add(new Item(k));
        SeedRandomGenerator(seed);
        list.RandomShuffle();
        return Keys(list);
    };
    std::vector<int> a = shuffled(11), b = shuffled(11), c = shuffled(12);
    EXPECT_EQ(a, b);
    EXPECT_NE(a, c);
    std::sort(a.begin(), a.end());
    for (int k = 0; k < 50; ++k)
        EXPECT_EQ(a[k], k);
}

TEST_F(GroupTest, ConcatSharesPointersAndCopiesCopyOrShare) {
    GList owner;
    owner.IList();
    Fill(owner, {1, 2});
    GList view;
    view.IList();
    view.PreserveObjects();
    view.ConcatGroup(&owner);
    view.ConcatGroup(&view); // itself: doubled
    EXPECT_EQ(Keys(view), (std::vector<int>{1, 2, 1, 2}));
    EXPECT_EQ(view.GetObjectA(2), owner.GetObjectA(0));
    EXPECT_EQ(owner.GetCount(), 2);

    std::unique_ptr<GObject> deep(owner.CopyItself());
    auto* deepList = dynamic_cast<GList*>(deep.get());
    ASSERT_NE(deepList, nullptr);
    EXPECT_EQ(Keys(*deepList), (std::vector<int>{1, 2}));
    EXPECT_NE(deepList->GetObjectA(0), owner.GetObjectA(0));
    EXPECT_EQ(Item::sLive, 4);

    owner.DoNotCopyObjects();
    std::unique_ptr<GObject> shallow(owner.CopyItself());
    auto* shallowList = static_cast<GList*>(shallow.get());
    EXPECT_EQ(shallowList->GetObjectA(1), owner.GetObjectA(1));
    EXPECT_TRUE(shallowList->IsPreserving()); // never deletes what it shares
    EXPECT_EQ(Item::sLive, 4);
}

TEST_F(GroupTest, QueueAndStackOrder) {
    GQueue queue;
    queue.IQueue();
    Item a(1), b(2);
    queue.PreserveObjects();
    queue.Enqueue(&a);
    queue.Enqueue(&b);
    EXPECT_EQ(queue.Dequeue(), &a);
    EXPECT_EQ(queue.Dequeue(), &b);
    EXPECT_EQ(queue.Dequeue(), nullptr);

    GStack stack;
    stack.IStack();
    stack.Push(new Item(1));
    stack.Push(new Item(2));
    std::unique_ptr<GObject> top(stack.Pop());
    EXPECT_EQ(KeyOf(top.get()), 2);
    std::unique_ptr<GObject> copy(stack.CopyItself());
    EXPECT_NE(dynamic_cast<GStack*>(copy.get()), nullptr);
}

TEST(DynamicArray, RowsWidthAndElements) {
    GDynamicArray grid;
    EXPECT_FALSE(grid.IDynamicArray(2, 0, 5));
    EXPECT_FALSE(grid.IDynamicArray(0, 3, 5));
    ASSERT_TRUE(grid.IDynamicArray(2, 3, 5));
    int32_t rows = 0, width = 0;
    grid.GetBounds(&rows, &width);
    EXPECT_EQ(rows, 3);
    EXPECT_EQ(width, 5);
    grid.Zero();
    int16_t v = 0x1234;
    grid.Set(2, 4, &v);
    grid.Set(1, 0, &v);
    auto* data = static_cast<int16_t*>(grid.GetData());
    EXPECT_EQ(data[2 * 5 + 4], 0x1234);
    EXPECT_EQ(data[1 * 5 + 0], 0x1234);
    EXPECT_EQ(data[4], 0);
    EXPECT_EQ(*static_cast<int16_t*>(grid.GetElement(2, 4)), 0x1234);

    ASSERT_TRUE(grid.IDynamicArray(4, 10, 1)); // re-initialising frees the old block
    grid.GetBounds(&rows, &width);
    EXPECT_EQ(rows, 10);
    EXPECT_EQ(width, 1);
    EXPECT_EQ(grid.GetElementCount(), 10);
}
