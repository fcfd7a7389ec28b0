#include "engine/GParallel.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace {

thread_local bool tInsideWork = false;

// Rounds are claimed through one word: the round's number, its chunk count
// and the next chunk. A worker claims a chunk only by swapping that word, so
// one that woke for an earlier round can never take a chunk of a later one.
class SimPool {
public:
    static SimPool& Shared() {
        static SimPool pool;
        return pool;
    }
    ~SimPool() {
        {
            std::lock_guard<std::mutex> lock(mLock);
            mStop = true;
        }
        mWake.notify_all();
        for (std::thread& t : mWorkers)
            t.join();
    }

    void Run(int32_t threads, int32_t chunks, const std::function<void(int32_t)>& job) {
        std::lock_guard<std::mutex> one(mRunLock);
        while (static_cast<int32_t>(mWorkers.size()) < threads - 1) {
            const int32_t index = static_cast<int32_t>(mWorkers.size());
            mWorkers.emplace_back([this, index] { Work(index); });
        }
        uint64_t round;
        {
            std::lock_guard<std::mutex> lock(mLock);
            mJob = &job;
            mHelpers = threads - 1;
            mDone.store(0, std::memory_order_relaxed);
            round = (mRound + 1) & 0xFFFF;
            mRound = round;
            mTicket.store(Pack(round, static_cast<uint64_t>(chunks), 0), std::memory_order_release);
        }
        mWake.notify_all();
        tInsideWork = true;
        Drain(round, job);
        tInsideWork = false;
        while (mDone.load(std::memory_order_acquire) < chunks)
            std::this_thread::yield();
    }

private:
    static uint64_t Pack(uint64_t round, uint64_t count, uint64_t next) {
        return round << 48 | count << 24 | next;
    }

    // Claims and runs chunks of the round while any are left.
    void Drain(uint64_t round, const std::function<void(int32_t)>& job) {
        uint64_t t = mTicket.load(std::memory_order_acquire);
        for (;;) {
            const uint64_t count = (t >> 24) & 0xFFFFFF, next = t & 0xFFFFFF;
            if ((t >> 48) != round || next >= count) return;
            if (!mTicket.compare_exchange_weak(t, t + 1, std::memory_order_acq_rel)) continue;
            job(static_cast<int32_t>(next));
            mDone.fetch_add(1, std::memory_order_acq_rel);
            t = mTicket.load(std::memory_order_acquire);
        }
    }

    // Worker `index` takes part in the rounds that ask for more than index
    // helpers.
    void Work(int32_t index) {
        tInsideWork = true;
        uint64_t seen = 0;
        for (;;) {
            const std::function<void(int32_t)>* job = nullptr;
            uint64_t round = 0;
            {
                std::unique_lock<std::mutex> lock(mLock);
                mWake.wait(lock, [&] { return mStop || mRound != seen; });
                if (mStop) return;
                seen = round = mRound;
                if (index >= mHelpers) continue;
                job = mJob;
            }
            Drain(round, *job);
        }
    }

    std::mutex mRunLock; // one round at a time
    std::mutex mLock;
    std::condition_variable mWake;
    std::vector<std::thread> mWorkers;
    const std::function<void(int32_t)>* mJob = nullptr;
    int32_t mHelpers = 0; // workers taking part in the current round
    uint64_t mRound = 0;
    bool mStop = false;
    std::atomic<uint64_t> mTicket{0};
    std::atomic<int32_t> mDone{0};
};

} // namespace

bool InsideParallelWork() { return tInsideWork; }

int32_t SimulationThreads() {
    return tInsideWork ? 1 : SoftThreadPool::SimulationThreads();
}

void ParallelForChunks(int32_t count, const std::function<void(int32_t, int32_t)>& chunk) {
    const int32_t threads = SimulationThreads();
    // Many small chunks a thread: they even out pieces of unequal cost, and
    // a worker the system puts aside holds back only a small one.
    const int32_t chunks = std::min(count, threads * 8);
    SimPool::Shared().Run(threads, chunks, [&](int32_t c) {
        const int32_t first = static_cast<int32_t>(static_cast<int64_t>(count) * c / chunks);
        const int32_t last = static_cast<int32_t>(static_cast<int64_t>(count) * (c + 1) / chunks);
        chunk(first, last);
    });
}
