#include "engine/GGroup.h"

#include <cassert>
#include <cstddef>
#include <utility>

#include "engine/GOLTA.h"

namespace {

// Keeps the group's storage locked while a callback runs over it.
class StorageLock {
public:
    explicit StorageLock(int32_t& counter) : mCounter(counter) { ++mCounter; }
    ~StorageLock() { --mCounter; }
    StorageLock(const StorageLock&) = delete;
    StorageLock& operator=(const StorageLock&) = delete;

private:
    int32_t& mCounter;
};

// Marks for the two-phase removals, one bit per member; lists of up to
// 4096 members need no heap.
class Marks {
public:
    explicit Marks(size_t count) {
        size_t words = (count + 63) / 64;
        if (words > kLocalWords) {
            mHeap.assign(words, 0);
            mBits = mHeap.data();
        }
    }
    void Set(size_t i, bool on) {
        uint64_t bit = uint64_t{1} << (i % 64);
        if (on)
            mBits[i / 64] |= bit;
        else
            mBits[i / 64] &= ~bit;
    }
    bool Get(size_t i) const { return (mBits[i / 64] >> (i % 64)) & 1u; }

private:
    static constexpr size_t kLocalWords = 64;
    uint64_t mLocal[kLocalWords] = {};
    std::vector<uint64_t> mHeap;
    uint64_t* mBits = mLocal;
};

// Removes the marked members from last to first. Without deletion no member
// code runs, so the survivors are simply closed up in one pass.
void RemoveMarked(std::vector<GObject*>& members, const Marks& marks, size_t count, bool deleteThem) {
    if (count > members.size()) count = members.size();
    if (!deleteThem) {
        size_t kept = 0;
        for (size_t i = 0; i < count; ++i)
            if (!marks.Get(i)) members[kept++] = members[i];
        members.erase(members.begin() + static_cast<std::ptrdiff_t>(kept),
                      members.begin() + static_cast<std::ptrdiff_t>(count));
        return;
    }
    for (size_t i = count; i-- > 0;) {
        if (!marks.Get(i) || i >= members.size()) continue;
        GObject* member = members[i];
        members.erase(members.begin() + static_cast<std::ptrdiff_t>(i));
        delete member;
    }
}

} // namespace

// ---------------------------------------------------------------- GGroup

GGroup::GGroup() = default;

GGroup::~GGroup() {
    if (mPreserve) return;
    // Members are deleted in storage order; the storage is emptied first so
    // that a member's destructor never sees itself in the group.
    std::vector<GObject*> members;
    members.swap(mMembers);
    for (GObject* member : members)
        delete member;
}

void GGroup::IGroup() {}

void GGroup::Add(GObject* member) {
    assert(CanChange());
    Changed();
    mMembers.push_back(member);
}

void GGroup::ConcatGroup(GGroup* other) {
    assert(CanChange());
    if (other == nullptr) return;
    Changed();
    // Index loop: other may be this group, whose storage grows meanwhile.
    size_t count = other->mMembers.size();
    mMembers.reserve(mMembers.size() + count);
    for (size_t i = 0; i < count; ++i)
        mMembers.push_back(other->mMembers[i]);
}

bool GGroup::IsMember(GObject* member) const {
    for (GObject* m : mMembers)
        if (m == member) return true;
    return false;
}

void GGroup::DoForEach(GMemberFn fn, void* context) {
    if (fn == nullptr) return;
    StorageLock lock(mLocked);
    for (size_t i = 0; i < mMembers.size(); ++i)
        fn(mMembers[i], context);
}

GObject* GGroup::Find(GMemberTest test, void* context) {
    if (test == nullptr) return nullptr;
    StorageLock lock(mLocked);
    for (size_t i = 0; i < mMembers.size(); ++i)
        if (test(mMembers[i], context)) return mMembers[i];
    return nullptr;
}

void GGroup::RemoveAt(int32_t index, bool deleteIt) {
    assert(CanChange());
    GObject* member = mMembers[static_cast<size_t>(index)];
    mMembers.erase(mMembers.begin() + index);
    Changed();
    if (deleteIt && !mPreserve) delete member;
}

void GGroup::Delete(GObject* member, bool deleteIt) {
    for (size_t i = 0; i < mMembers.size(); ++i) {
        if (mMembers[i] == member) {
            RemoveAt(static_cast<int32_t>(i), deleteIt);
            return;
        }
    }
}

void GGroup::EmptyOut(bool deleteMembers) {
    assert(CanChange());
    Changed();
    std::vector<GObject*> members;
    members.swap(mMembers);
    if (deleteMembers && !mPreserve)
        for (GObject* member : members)
            delete member;
    // Keep the storage for the next fill unless a destructor refilled us.
    if (mMembers.empty()) {
        members.clear();
        mMembers.swap(members);
    }
}

void GGroup::DeleteSome(GMemberTest test, void* context, bool deleteMembers) {
    if (test == nullptr || mMembers.empty()) return;
    size_t count = mMembers.size();
    Marks marks(count);
    {
        StorageLock lock(mLocked);
        for (size_t i = 0; i < count; ++i)
            marks.Set(i, test(mMembers[i], context));
    }
    assert(CanChange());
    Changed();
    RemoveMarked(mMembers, marks, count, deleteMembers && !mPreserve);
}

void GGroup::CopyMembersInto(GGroup* copy) {
    copy->Changed();
    copy->mCopyPointersOnly = mCopyPointersOnly;
    copy->mPreserve = mPreserve;
    if (mCopyPointersOnly) {
        // Shared members belong to the original; the copy must never delete them.
        copy->mPreserve = 1;
        copy->mMembers = mMembers;
        return;
    }
    copy->mMembers.reserve(mMembers.size());
    for (GObject* member : mMembers) {
        GObject* twin = member != nullptr ? member->CopyItself() : nullptr;
        if (twin != nullptr) copy->mMembers.push_back(twin);
    }
}

GObject* GGroup::CopyItself() {
    GGroup* copy = new GGroup;
    copy->IGroup();
    CopyMembersInto(copy);
    return copy;
}

// ---------------------------------------------------------------- GList

GList::GList() = default;

GList::~GList() = default;

void GList::IList() {
    IGroup();
}

GObject* GList::GetNext(GObject* member, bool forward, bool wrap) const {
    int32_t count = GetCount();
    for (int32_t i = 0; i < count; ++i) {
        if (mMembers[static_cast<size_t>(i)] != member) continue;
        int32_t next = forward ? i + 1 : i - 1;
        if (next >= count) next = wrap ? 0 : -1;
        if (next < 0 && !forward) next = wrap ? count - 1 : -1;
        return next >= 0 ? mMembers[static_cast<size_t>(next)] : nullptr;
    }
    return nullptr;
}

int32_t GList::Locate(GIndexTest test, void* context) {
    StorageLock lock(mLocked);
    for (int32_t i = 0; i < GetCount(); ++i) {
        GObject* member = mMembers[static_cast<size_t>(i)];
        if (test == nullptr ? member == context : test(i, member, context)) return i;
    }
    return -1;
}

void GList::Insert(GObject* member, int32_t index) {
    assert(CanChange());
    if (index < 0) index = 0;
    if (index > GetCount()) index = GetCount();
    Changed();
    mMembers.insert(mMembers.begin() + index, member);
}

void GList::ReplaceIndex(int32_t index, GObject* member, bool deleteOld) {
    assert(CanChange());
    if (index < 0 || index >= GetCount()) return;
    GObject* old = mMembers[static_cast<size_t>(index)];
    Changed();
    mMembers[static_cast<size_t>(index)] = member;
    if (deleteOld && !mPreserve && old != member) delete old;
}

void GList::Swap(int32_t i, int32_t j) {
    assert(CanChange());
    if (i < 0 || j < 0 || i >= GetCount() || j >= GetCount()) return;
    Changed();
    std::swap(mMembers[static_cast<size_t>(i)], mMembers[static_cast<size_t>(j)]);
}

void GList::DeleteIndex(int32_t index, bool deleteIt) {
    if (index < 0 || index >= GetCount()) return;
    RemoveAt(index, deleteIt);
}

void GList::DeleteSomeIndices(GIndexTest test, void* context, bool deleteMembers) {
    if (test == nullptr || mMembers.empty()) return;
    size_t count = mMembers.size();
    Marks marks(count);
    {
        StorageLock lock(mLocked);
        for (size_t i = 0; i < count; ++i)
            marks.Set(i, test(static_cast<int32_t>(i), mMembers[i], context));
    }
    assert(CanChange());
    Changed();
    RemoveMarked(mMembers, marks, count, deleteMembers && !mPreserve);
}

void GList::DoForEachIndex(GIndexFn fn, void* context) {
    if (fn == nullptr) return;
    StorageLock lock(mLocked);
    for (size_t i = 0; i < mMembers.size(); ++i)
        fn(static_cast<int32_t>(i), mMembers[i], context);
}

namespace {

using Members = std::vector<GObject*>;

void InsertionPass(Members& a, GCompareFn compare, void* context) {
    for (size_t i = 1; i < a.size(); ++i) {
        GObject* x = a[i];
        size_t j = i;
        while (j > 0 && compare(a[j - 1], x, context) > 0) {
            a[j] = a[j - 1];
            --j;
        }
        a[j] = x;
    }
}

// Partitions ranges of 12 or more around the median of three; smaller
// ranges are left for the final insertion pass. Scans are bounded, so even
// an inconsistent comparison stays inside the range.
void QuickSortRange(Members& a, int32_t lo, int32_t hi, GCompareFn compare, void* context) {
    while (hi - lo + 1 >= 12) {
        int32_t mid = lo + (hi - lo) / 2;
        if (compare(a[mid], a[lo], context) < 0) std::swap(a[mid], a[lo]);
        if (compare(a[hi], a[lo], context) < 0) std::swap(a[hi], a[lo]);
        if (compare(a[hi], a[mid], context) < 0) std::swap(a[hi], a[mid]);
        std::swap(a[mid], a[hi - 1]);
        GObject* pivot = a[hi - 1];
        int32_t i = lo;
        int32_t j = hi - 1;
        for (;;) {
            while (++i < hi - 1 && compare(a[i], pivot, context) < 0) {
            }
            while (--j > lo && compare(pivot, a[j], context) < 0) {
            }
            if (i >= j) break;
            std::swap(a[i], a[j]);
        }
        std::swap(a[i], a[hi - 1]);
        // Recurse into the smaller side, loop on the larger: bounded depth.
        if (i - lo < hi - i) {
            QuickSortRange(a, lo, i - 1, compare, context);
            lo = i + 1;
        } else {
            QuickSortRange(a, i + 1, hi, compare, context);
            hi = i - 1;
        }
    }
}

} // namespace

void GList::QuickSort(GCompareFn compare, void* context) {
    if (compare == nullptr || mMembers.size() < 2) return;
    assert(CanChange());
    Changed();
    StorageLock lock(mLocked);
    QuickSortRange(mMembers, 0, GetCount() - 1, compare, context);
    InsertionPass(mMembers, compare, context);
}

void GList::InsertionSort(GCompareFn compare, void* context) {
    if (compare == nullptr) return;
    assert(CanChange());
    Changed();
    StorageLock lock(mLocked);
    InsertionPass(mMembers, compare, context);
}

void GList::RandomShuffle() {
    assert(CanChange());
    Changed();
    // Fisher-Yates from the back, one combined draw per place.
    for (int32_t i = GetCount() - 1; i > 0; --i) {
        int32_t j = static_cast<int32_t>(RandomPick(static_cast<uint32_t>(i) + 1u));
        std::swap(mMembers[static_cast<size_t>(i)], mMembers[static_cast<size_t>(j)]);
    }
}

GObject* GList::CopyItself() {
    GList* copy = new GList;
    copy->IList();
    CopyMembersInto(copy);
    return copy;
}

// ---------------------------------------------------------------- GQueue

void GQueue::IQueue() {
    IList();
}

GObject* GQueue::Dequeue() {
    if (mMembers.empty()) return nullptr;
    GObject* first = mMembers.front();
    RemoveAt(0, false);
    return first;
}

GObject* GQueue::CopyItself() {
    GQueue* copy = new GQueue;
    copy->IQueue();
    CopyMembersInto(copy);
    return copy;
}

// ---------------------------------------------------------------- GStack

void GStack::IStack() {
    IList();
}

GObject* GStack::Pop() {
    if (mMembers.empty()) return nullptr;
    GObject* last = mMembers.back();
    RemoveAt(GetCount() - 1, false);
    return last;
}

GObject* GStack::CopyItself() {
    GStack* copy = new GStack;
    copy->IStack();
    CopyMembersInto(copy);
    return copy;
}
