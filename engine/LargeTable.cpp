#include "engine/LargeTable.h"

#include <sys/mman.h>

#include <cstdint>
#include <new>

namespace largetable {

namespace {
constexpr std::align_val_t kLine{64};
size_t Rounded(size_t bytes) {
    return (bytes + kPage - 1) / kPage * kPage;
}
} // namespace

void* Allocate(size_t bytes) {
    if (bytes < kPage) return ::operator new(bytes, kLine);
    // Fresh pages straight from the system (memory the heap has touched
    // before keeps its small pages), one large page more than needed so
    // that the table can start on a large-page boundary; the rest is given
    // back.
    const size_t size = Rounded(bytes);
    void* raw = mmap(nullptr, size + kPage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED) throw std::bad_alloc();
    const uintptr_t start = reinterpret_cast<uintptr_t>(raw);
    const uintptr_t aligned = (start + kPage - 1) / kPage * kPage;
    if (aligned > start) munmap(raw, aligned - start);
    if (const size_t tail = start + size + kPage - (aligned + size); tail > 0)
        munmap(reinterpret_cast<void*>(aligned + size), tail);
    void* p = reinterpret_cast<void*>(aligned);
#ifdef MADV_HUGEPAGE
    // Only a request: where large pages are off the table works as well.
    madvise(p, size, MADV_HUGEPAGE);
#endif
    return p;
}

void Free(void* p, size_t bytes) {
    if (!p) return;
    if (bytes < kPage)
        ::operator delete(p, kLine);
    else
        munmap(p, Rounded(bytes));
}

} // namespace largetable
