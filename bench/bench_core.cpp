// Strings and containers: speed, and heap allocations per operation. The
// counters show that string operations never allocate and that a reused
// list allocates nothing once its storage has grown.

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <vector>

#include "engine/GGroup.h"
#include "engine/GOLTA.h"
#include "engine/GString.h"

namespace {
std::atomic<uint64_t> sAllocations{0};
}

// Counting replacements of the global allocation functions for this program.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif
void* operator new(std::size_t size) {
    sAllocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

namespace {

class Item : public GObject {
public:
    explicit Item(int key) : key(key) {}
    int key;
};

// Reports allocations per iteration measured over the timed loop.
class AllocationCounter {
public:
    AllocationCounter() : mStart(sAllocations.load()) {}
    void Report(benchmark::State& state) const {
        double per =
            static_cast<double>(sAllocations.load() - mStart) / static_cast<double>(state.iterations());
        state.counters["allocs_per_op"] = per;
    }

private:
    uint64_t mStart;
};

void BM_GStringBuildLabel(benchmark::State& state) {
    GString255 text;
    AllocationCounter count;
    for (auto _ : state) {
        text.IStringRez(1541);
        text.ConcatText(": ");
        text.ConcatNum(-12345);
        text.AddChar(' ');
        text.ConcatNumDecimal(26.832f, 1);
        text.InsertSpace(3);
        text.ConcatRez(1542);
        benchmark::DoNotOptimize(text.GetCString());
    }
    count.Report(state);
}
BENCHMARK(BM_GStringBuildLabel);

void BM_GStringCopyAndCompare(benchmark::State& state) {
    GString255 a("Hartkern (Wolfram) Panzergranate (75)");
    GString63 b;
    AllocationCounter count;
    for (auto _ : state) {
        b = a;
        GString255 c(b);
        benchmark::DoNotOptimize(c.IsEqualTo(&b));
    }
    count.Report(state);
}
BENCHMARK(BM_GStringCopyAndCompare);

std::vector<Item> MakeItems(int n) {
    std::vector<Item> items;
    items.reserve(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        items.emplace_back((i * 7919) % n);
    return items;
}

void BM_GListFillAndEmpty(benchmark::State& state) {
    int n = static_cast<int>(state.range(0));
    std::vector<Item> items = MakeItems(n);
    GList list;
    list.IList();
    list.PreserveObjects();
    for (Item& item : items)
        list.Add(&item); // grow the storage once
    list.EmptyOut(false);
    AllocationCounter count;
    for (auto _ : state) {
        for (Item& item : items)
            list.Add(&item);
        list.EmptyOut(false);
    }
    count.Report(state);
}
BENCHMARK(BM_GListFillAndEmpty)->Arg(100)->Arg(10000);

void BM_GListWalkAndFind(benchmark::State& state) {
    int n = static_cast<int>(state.range(0));
    std::vector<Item> items = MakeItems(n);
    GList list;
    list.IList();
    list.PreserveObjects();
    for (Item& item : items)
        list.Add(&item);
    AllocationCounter count;
    for (auto _ : state) {
        long sum = 0;
        list.DoForEach([](GObject* m, void* ctx) { *static_cast<long*>(ctx) += static_cast<Item*>(m)->key; },
                       &sum);
        int wanted = n - 1;
        GObject* hit = list.Find(
            [](GObject* m, void* ctx) { return static_cast<Item*>(m)->key == *static_cast<int*>(ctx); },
            &wanted);
        benchmark::DoNotOptimize(sum);
        benchmark::DoNotOptimize(hit);
    }
    count.Report(state);
}
BENCHMARK(BM_GListWalkAndFind)->Arg(100)->Arg(10000);

void BM_GListDeleteSome(benchmark::State& state) {
    int n = static_cast<int>(state.range(0));
    std::vector<Item> items = MakeItems(n);
    GList list;
    list.IList();
    list.PreserveObjects();
    for (Item& item : items)
        list.Add(&item);
    AllocationCounter count;
    for (auto _ : state) {
        list.DeleteSome([](GObject* m, void*) { return static_cast<Item*>(m)->key % 2 == 0; }, nullptr,
                        false);
        state.PauseTiming();
        list.EmptyOut(false);
        for (Item& item : items)
            list.Add(&item);
        state.ResumeTiming();
    }
    count.Report(state);
}
BENCHMARK(BM_GListDeleteSome)->Arg(200)->Arg(4000);

void BM_GListQuickSort(benchmark::State& state) {
    int n = static_cast<int>(state.range(0));
    std::vector<Item> items = MakeItems(n);
    GList list;
    list.IList();
    list.PreserveObjects();
    for (Item& item : items)
        list.Add(&item);
    AllocationCounter count;
    for (auto _ : state) {
        SeedRandomGenerator(3);
        list.RandomShuffle();
        list.QuickSort(
            [](GObject* a, GObject* b, void*) -> int32_t {
                return static_cast<Item*>(a)->key - static_cast<Item*>(b)->key;
            },
            nullptr);
    }
    count.Report(state);
}
BENCHMARK(BM_GListQuickSort)->Arg(1000);

void BM_RandomFraction(benchmark::State& state) {
    SeedRandomGenerator(1);
    for (auto _ : state)
        benchmark::DoNotOptimize(RandomFraction());
}
BENCHMARK(BM_RandomFraction);

} // namespace
