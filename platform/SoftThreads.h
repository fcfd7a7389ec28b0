#pragma once
// The worker threads that draw a frame's screen bands for the software 3-D
// device. One pool serves the whole program; the thread that asks for work
// takes part in it and returns only when every job is done.
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

class SoftThreadPool {
public:
    static SoftThreadPool& Shared();
    ~SoftThreadPool();

    // Runs job(0) .. job(count - 1) on up to threads threads, the caller
    // included, in no particular order. One Run at a time: a second caller
    // waits for the first.
    void Run(int32_t threads, int32_t count, const std::function<void(int32_t)>& job);

    // The default number of drawing threads: DM_RENDER_THREADS when it is a
    // number from 1 to 64, else one per core.
    static int32_t DefaultThreads();

    // The number of threads the simulation spreads its independent reads
    // over (engine/GParallel.h): DM_SIM_THREADS when it is a number from 1
    // to 64, else the cores this process may run on (its affinity mask).
    // SetSimulationThreads overrides both (0 undoes it).
    static int32_t SimulationThreads();
    static void SetSimulationThreads(int32_t threads);

private:
    SoftThreadPool() = default;
    void Work(int32_t index);
    void Drain();

    std::mutex mRunLock; // one Run at a time
    std::mutex mLock;
    std::condition_variable mWake, mDone;
    std::vector<std::thread> mWorkers;
    const std::function<void(int32_t)>* mJob = nullptr;
    int32_t mCount = 0;
    int32_t mHelpers = 0; // workers taking part in this round
    int32_t mBusy = 0;    // workers not yet finished with this round
    uint64_t mRound = 0;
    bool mStop = false;
    std::atomic<int32_t> mNext{0};
};
