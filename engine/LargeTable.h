#pragma once
// An allocator for the large tables that the simulation reads at scattered
// places many times per slice (the sight cache's pairs, some megabytes in a
// battle of hundreds of units). A table of 2 MB or more is laid on 2 MB
// boundaries and the system is asked to back it with 2 MB pages, so that
// such reads do not also miss the processor's cache of page translations;
// smaller tables come from the ordinary heap. The contents and the answers
// are those of any allocator.
#include <cstddef>

namespace largetable {
constexpr size_t kPage = size_t{2} << 20; // bytes of a large page
void* Allocate(size_t bytes);             // aligned to 64 bytes at least; never null
void Free(void* p, size_t bytes);         // bytes as allocated
} // namespace largetable

template <class T> struct LargeTableAllocator {
    using value_type = T;
    static_assert(alignof(T) <= 64, "a table entry is aligned to 64 bytes at most");
    LargeTableAllocator() = default;
    template <class U> LargeTableAllocator(const LargeTableAllocator<U>&) {}
    T* allocate(size_t n) { return static_cast<T*>(largetable::Allocate(n * sizeof(T))); }
    void deallocate(T* p, size_t n) { largetable::Free(p, n * sizeof(T)); }
    template <class U> bool operator==(const LargeTableAllocator<U>&) const { return true; }
};
