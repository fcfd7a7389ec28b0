#include "engine/GParallel.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include <pthread.h>

namespace {

thread_local bool tInsideWork = false;

// Rounds are claimed through one word: the round's number, its chunk count
// and the next chunk. A worker claims a chunk only by swapping that word, so
// one that woke for an earlier round can never take a chunk of a later one.
//
// Spotting asks for a round every hundred microseconds or so, each round a
// hundred microseconds of work on one thread. Waking a sleeping worker costs
// about as much as the round itself (the caller pays for the system call
// and the worker arrives when the round is nearly done), so a worker that
// finished a round watches the word for the next one for a while before it
// sleeps, one of them (the sentry) ten times as long as the others. The
// waking is left to a worker that sees the round: the caller wakes nobody
// while one watches, else one worker, which wakes the rest.
class SimPool {
public:
    // The pool lives as long as the process: its workers only watch or
    // sleep between rounds, and a process that forks (the two-player tests
    // run the second machine in a forked child) must never join or wake
    // workers that exist only in its parent.
    static SimPool& Shared() {
        static SimPool* pool = [] {
            pthread_atfork(nullptr, nullptr, [] { sForked = true; });
            return new SimPool;
        }();
        return *pool;
    }
    // True in a child forked from a process that had the pool: the child
    // has none of the workers, and the pool's locks may have been copied
    // held, so every round there runs on the calling thread alone.
    static bool Forked() { return sForked; }

    void Run(int32_t threads, int32_t chunks, const std::function<void(int32_t)>& job) {
        std::lock_guard<std::mutex> one(mRunLock);
        while (static_cast<int32_t>(mWorkers.size()) < threads - 1) {
            const int32_t index = static_cast<int32_t>(mWorkers.size());
            mWorkers.emplace_back([this, index] { Work(index); });
        }
        uint64_t round;
        bool wake;
        {
            std::lock_guard<std::mutex> lock(mLock);
            mJob.store(&job, std::memory_order_relaxed);
            mHelpers.store(threads - 1, std::memory_order_relaxed);
            mDone.store(0, std::memory_order_relaxed);
            round = (mRound + 1) & kRoundMask;
            mRound = round;
            mTicket.store(Pack(round, static_cast<uint64_t>(chunks), 0), std::memory_order_release);
            wake = mSleepers.load(std::memory_order_relaxed) > 0 &&
                   mWatchers.load(std::memory_order_acquire) == 0;
        }
        if (wake) mWake.notify_one();
        tInsideWork = true;
        Drain(round, job);
        tInsideWork = false;
        for (uint32_t spins = 0; mDone.load(std::memory_order_acquire) < chunks; ++spins) {
            if (spins < kCallerSpins)
                Pause();
            else
                std::this_thread::yield();
        }
    }

private:
    static inline bool sForked = false;
    static constexpr uint64_t kRoundMask = 0xFFFFFFFF;
    // How long a worker watches for the next round before it sleeps: most
    // rounds of spotting follow the last within a hundred microseconds, four
    // in five within a millisecond (the sentry's watch).
    static constexpr std::chrono::microseconds kWatch{120};
    static constexpr std::chrono::microseconds kSentryWatch{1000};
    // How long the caller spins for the last chunks before it yields.
    static constexpr uint32_t kCallerSpins = 4096;

    static uint64_t Pack(uint64_t round, uint64_t count, uint64_t next) {
        return round << 32 | count << 16 | next;
    }
    static uint64_t RoundOf(uint64_t t) { return t >> 32; }
    static bool Open(uint64_t t) { return (t & 0xFFFF) < ((t >> 16) & 0xFFFF); }

    static void Pause() {
#if defined(__x86_64__) || defined(__i386__)
        __builtin_ia32_pause();
#elif defined(__aarch64__)
        asm volatile("yield");
#endif
    }

    // Claims and runs chunks of the round while any are left.
    void Drain(uint64_t round, const std::function<void(int32_t)>& job) {
        uint64_t t = mTicket.load(std::memory_order_acquire);
        for (;;) {
            const uint64_t count = (t >> 16) & 0xFFFF, next = t & 0xFFFF;
            if (RoundOf(t) != round || next >= count) return;
            if (!mTicket.compare_exchange_weak(t, t + 1, std::memory_order_acq_rel)) continue;
            job(static_cast<int32_t>(next));
            mDone.fetch_add(1, std::memory_order_acq_rel);
            t = mTicket.load(std::memory_order_acquire);
        }
    }

    // Worker `index` takes part in the rounds that ask for more than index
    // helpers; worker 0 is the sentry.
    void Work(int32_t index) {
        tInsideWork = true;
        uint64_t seen = 0;
        const std::chrono::microseconds watch = index == 0 ? kSentryWatch : kWatch;
        for (;;) {
            // Watch for the next round a while, then sleep until one comes.
            // The watch yields rather than spins: on a busy machine a worker
            // that spun through its time slice would be set aside in the
            // middle of a chunk and hold the whole round back.
            uint64_t t = mTicket.load(std::memory_order_acquire);
            const auto until = std::chrono::steady_clock::now() + watch;
            mWatchers.fetch_add(1, std::memory_order_acq_rel);
            while (RoundOf(t) == seen) {
                std::this_thread::yield();
                if (std::chrono::steady_clock::now() > until) break;
                t = mTicket.load(std::memory_order_acquire);
            }
            mWatchers.fetch_sub(1, std::memory_order_acq_rel);
            if (RoundOf(t) == seen) {
                {
                    std::unique_lock<std::mutex> lock(mLock);
                    mSleepers.fetch_add(1, std::memory_order_relaxed);
                    mWake.wait(lock, [&] { return mRound != seen; });
                    mSleepers.fetch_sub(1, std::memory_order_relaxed);
                }
                t = mTicket.load(std::memory_order_acquire);
            }
            seen = RoundOf(t);
            // The first worker to see a round with chunks left while others
            // sleep wakes them (a sleeper counted before the round was set
            // is counted here: both happen under mLock, in that order).
            if (Open(t) && mSleepers.load(std::memory_order_relaxed) > 0 &&
                mWoken.exchange(seen, std::memory_order_acq_rel) != seen)
                mWake.notify_all();
            // The job and helper count were stored before the word; if the
            // round is already over they may belong to a later round, but
            // then Drain claims nothing, since it claims only in `seen`.
            const std::function<void(int32_t)>* job = mJob.load(std::memory_order_acquire);
            if (index >= mHelpers.load(std::memory_order_relaxed) || !job) continue;
            Drain(seen, *job);
        }
    }

    std::mutex mRunLock; // one round at a time
    std::mutex mLock;
    std::condition_variable mWake;
    std::vector<std::thread> mWorkers;
    std::atomic<const std::function<void(int32_t)>*> mJob{nullptr};
    std::atomic<int32_t> mHelpers{0};  // workers taking part in the current round
    uint64_t mRound = 0;               // under mLock
    std::atomic<int32_t> mSleepers{0}; // changed under mLock
    std::atomic<int32_t> mWatchers{0}; // workers watching the word
    std::atomic<uint64_t> mWoken{0};   // the last round a worker woke the sleepers for
    alignas(64) std::atomic<uint64_t> mTicket{0};
    alignas(64) std::atomic<int32_t> mDone{0};
};

} // namespace

bool InsideParallelWork() { return tInsideWork; }

namespace {
std::atomic<bool> sSplitEveryRound{false};
} // namespace

void SetSplitEveryRound(bool every) { sSplitEveryRound.store(every, std::memory_order_relaxed); }

bool SplitEveryRound() { return sSplitEveryRound.load(std::memory_order_relaxed); }

int32_t SimulationThreads() {
    return tInsideWork ? 1 : SoftThreadPool::SimulationThreads();
}

void ParallelForChunks(int32_t count, const std::function<void(int32_t, int32_t)>& chunk) {
    const int32_t threads = SimulationThreads();
    // A few chunks a thread: they even out pieces of unequal cost, and a
    // worker the system puts aside holds back only a small one; more chunks
    // would cost more claims of the one shared word than they even out.
    if (SimPool::Forked()) {
        chunk(0, count);
        return;
    }
    const int32_t chunks = std::min(count, threads * 4);
    SimPool::Shared().Run(threads, chunks, [&](int32_t c) {
        const int32_t first = static_cast<int32_t>(static_cast<int64_t>(count) * c / chunks);
        const int32_t last = static_cast<int32_t>(static_cast<int64_t>(count) * (c + 1) / chunks);
        chunk(first, last);
    });
}
