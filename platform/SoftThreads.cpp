#include "platform/SoftThreads.h"

#include <cstdlib>

#if defined(__linux__)
#include <sched.h>
#endif

namespace {
std::atomic<int32_t> sSimulationOverride{0};

// The cores the process may run on; a container or `taskset` narrows them.
int32_t AffinityCores() {
#if defined(__linux__)
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof(set), &set) == 0) {
        const int n = CPU_COUNT(&set);
        if (n > 0) return n;
    }
#endif
    const unsigned cores = std::thread::hardware_concurrency();
    return cores == 0 ? 1 : static_cast<int32_t>(cores);
}
} // namespace

SoftThreadPool& SoftThreadPool::Shared() {
    static SoftThreadPool pool;
    return pool;
}

SoftThreadPool::~SoftThreadPool() {
    {
        std::lock_guard<std::mutex> lock(mLock);
        mStop = true;
    }
    mWake.notify_all();
    for (std::thread& t : mWorkers)
        t.join();
}

int32_t SoftThreadPool::DefaultThreads() {
    if (const char* text = std::getenv("DM_RENDER_THREADS")) {
        char* end = nullptr;
        long n = std::strtol(text, &end, 10);
        if (end != text && *end == '\0' && n >= 1 && n <= 64) return static_cast<int32_t>(n);
    }
    unsigned cores = std::thread::hardware_concurrency();
    return cores == 0 ? 1 : static_cast<int32_t>(cores > 64 ? 64 : cores);
}

int32_t SoftThreadPool::SimulationThreads() {
    if (const int32_t forced = sSimulationOverride.load(std::memory_order_relaxed); forced > 0) return forced;
    static const int32_t kChosen = [] {
        if (const char* text = std::getenv("DM_SIM_THREADS")) {
            char* end = nullptr;
            long n = std::strtol(text, &end, 10);
            if (end != text && *end == '\0' && n >= 1 && n <= 64) return static_cast<int32_t>(n);
        }
        return std::min(AffinityCores(), 64);
    }();
    return kChosen;
}

void SoftThreadPool::SetSimulationThreads(int32_t threads) {
    sSimulationOverride.store(threads > 0 ? std::min(threads, 64) : 0, std::memory_order_relaxed);
}

void SoftThreadPool::Drain() {
    for (int32_t i = mNext.fetch_add(1); i < mCount; i = mNext.fetch_add(1))
        (*mJob)(i);
}

void SoftThreadPool::Work(int32_t index) {
    uint64_t seen = 0;
    std::unique_lock<std::mutex> lock(mLock);
    for (;;) {
        mWake.wait(lock, [&] { return mStop || mRound != seen; });
        if (mStop) return;
        seen = mRound;
        if (index < mHelpers) {
            lock.unlock();
            Drain();
            lock.lock();
        }
        if (--mBusy == 0) mDone.notify_one();
    }
}

void SoftThreadPool::Run(int32_t threads, int32_t count, const std::function<void(int32_t)>& job) {
    if (count <= 0) return;
    std::lock_guard<std::mutex> runLock(mRunLock);
    const int32_t helpers = std::min(threads, count) - 1;
    if (helpers <= 0) {
        for (int32_t i = 0; i < count; ++i)
            job(i);
        return;
    }
    std::unique_lock<std::mutex> lock(mLock);
    while (static_cast<int32_t>(mWorkers.size()) < helpers) {
        const int32_t index = static_cast<int32_t>(mWorkers.size());
        mWorkers.emplace_back([this, index] { Work(index); });
    }
    mJob = &job;
    mCount = count;
    mHelpers = helpers;
    mBusy = static_cast<int32_t>(mWorkers.size());
    mNext.store(0);
    ++mRound;
    lock.unlock();
    mWake.notify_all();
    Drain();
    lock.lock();
    mDone.wait(lock, [&] { return mBusy == 0; });
    mJob = nullptr;
}
