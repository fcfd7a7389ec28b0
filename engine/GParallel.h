#pragma once
// Spreads independent pieces of simulation work over worker threads. The
// pieces must only read shared state, or write state of their own index;
// whatever depends on order is applied by the caller afterwards, in index
// order, so a result never depends on the thread count (docs/threads.md).
//
// The simulation has its own small pool: it runs thousands of short rounds
// a turn (one per spotted unit), so a round must not wait for every worker
// to wake; a worker that wakes late finds the round done and goes back to
// sleep. The rasteriser's pool (platform/SoftThreads) draws few, large
// rounds a frame.
#include <cstdint>
#include <functional>

#include "platform/SoftThreads.h"

// The number of threads the simulation uses now: 1 inside a piece of work.
int32_t SimulationThreads();
// True on a thread while it runs a piece of parallel work (the calling
// thread included): state kept for one thread alone must be left alone.
bool InsideParallelWork();

// Rounds judged too small to be worth the threads run on the calling thread;
// tests set this to split every such round the thread count allows, so that
// small battles too run their spotting on the threads.
void SetSplitEveryRound(bool every);
bool SplitEveryRound();

// Runs job(i) for every i in [0, count): on the calling thread alone when
// one thread is set or count is below minimum, else in contiguous chunks on
// the pool, the calling thread taking part. Returns when every i is done.
void ParallelForChunks(int32_t count, const std::function<void(int32_t, int32_t)>& chunk);

template <class Job> void ParallelFor(int32_t count, int32_t minimum, const Job& job) {
    if (SimulationThreads() <= 1 || count < minimum || count < 2) {
        for (int32_t i = 0; i < count; ++i)
            job(i);
        return;
    }
    ParallelForChunks(count, [&](int32_t first, int32_t last) {
        for (int32_t i = first; i < last; ++i)
            job(i);
    });
}
