#pragma once
// Containers of GObject pointers. A group owns its members (deletes them on
// removal when asked, and when it is destroyed) until PreserveObjects() is
// called; from then on it never deletes a member. Walking is always in
// storage order, with plain callbacks that take a context pointer.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/GObject.h"

using GMemberFn = void (*)(GObject* member, void* context);
using GMemberTest = bool (*)(GObject* member, void* context);
using GIndexFn = void (*)(int32_t index, GObject* member, void* context);
using GIndexTest = bool (*)(int32_t index, GObject* member, void* context);
// Negative puts a first, positive puts b first, 0 means equal.
using GCompareFn = int32_t (*)(GObject* a, GObject* b, void* context);

class GGroup : public GObject {
public:
    GGroup();
    ~GGroup() override;
    GGroup(const GGroup&) = delete;
    GGroup& operator=(const GGroup&) = delete;

    void IGroup();

    void Add(GObject* member);            // appends; no duplicate check
    void ConcatGroup(GGroup* other);      // appends other's members, shared
    bool IsMember(GObject* member) const; // by identity
    int32_t GetCount() const { return static_cast<int32_t>(mMembers.size()); }
    // Rises with every change of the members or their order, so that a
    // view derived from the group can tell whether it is still current.
    uint32_t GetChangeCount() const { return mChanges; }

    // Visits every member once in storage order; the callback must not
    // change the group.
    virtual void DoForEach(GMemberFn fn, void* context);
    GObject* Find(GMemberTest test, void* context);

    // Removal. A member is deleted only when asked and when the group does
    // not preserve its members.
    virtual void Delete(GObject* member, bool deleteIt);
    void EmptyOut(bool deleteMembers);
    // Runs the test on every member first, then removes the marked ones from
    // last to first; the others keep their order. The test may hand its
    // member to another container before returning true.
    virtual void DeleteSome(GMemberTest test, void* context, bool deleteMembers);

    void PreserveObjects() { mPreserve = 1; }
    bool IsPreserving() const { return mPreserve != 0; }
    // CopyItself then shares the member pointers instead of copying them.
    void DoNotCopyObjects() { mCopyPointersOnly = 1; }

    GObject* CopyItself() override;
    // Writes a flag byte (1 when the group owns its members), the count and
    // each member. Read reads only the flag byte; the caller reads the
    // count and the members.
    void Write(GFile* file) override;
    void Read(GFile* file) override;

protected:
    // Fills copy (an empty group of the right kind) with this group's
    // members, copied or shared as DoNotCopyObjects decides.
    void CopyMembersInto(GGroup* copy);
    void RemoveAt(int32_t index, bool deleteIt);
    bool CanChange() const { return mLocked == 0; }
    void Changed() { ++mChanges; }

    std::vector<GObject*> mMembers;
    int32_t mLocked = 0; // > 0 while a callback walks the storage
    char mPreserve = 0;  // keep-members flag
    char mCopyPointersOnly = 0;
    uint32_t mChanges = 0;
};

class GList : public GGroup {
public:
    GList();
    ~GList() override;

    void IList();

    // Null outside 0..count-1. Inline: every pass over the units asks it.
    GObject* GetObjectA(int32_t index) const {
        return index < 0 || index >= GetCount() ? nullptr : mMembers[static_cast<size_t>(index)];
    }
    // The member after (forward) or before this one; at an end null, or the
    // member at the other end with wrap. Null when member is absent.
    GObject* GetNext(GObject* member, bool forward, bool wrap) const;
    // First index whose test is true; with a null test, the index of the
    // member that is context. -1 when none.
    int32_t Locate(GIndexTest test, void* context);
    void Insert(GObject* member, int32_t index); // later members move back
    void ReplaceIndex(int32_t index, GObject* member, bool deleteOld);
    void Swap(int32_t i, int32_t j);
    void DeleteIndex(int32_t index, bool deleteIt);
    virtual void DeleteSomeIndices(GIndexTest test, void* context, bool deleteMembers);
    void DoForEachIndex(GIndexFn fn, void* context);

    // Median-of-three quicksort on ranges of 12 or more, then one insertion
    // pass; not stable.
    void QuickSort(GCompareFn compare, void* context);
    // Stable, ascending.
    void InsertionSort(GCompareFn compare, void* context);
    // Reorders the members with the program's random generator.
    void RandomShuffle();

    GObject* CopyItself() override;
};

// First in, first out.
class GQueue : public GList {
public:
    void IQueue();
    void Enqueue(GObject* member) { Add(member); }
    GObject* Dequeue(); // removes and returns the first member; null when empty

    GObject* CopyItself() override;
};

// Last in, first out.
class GStack : public GList {
public:
    void IStack();
    void Push(GObject* member) { Add(member); }
    GObject* Pop(); // removes and returns the last member; null when empty

    GObject* CopyItself() override;
};
