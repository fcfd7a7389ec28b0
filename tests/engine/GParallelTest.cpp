// The simulation's pool: every piece of every round runs exactly once,
// whether the workers are still watching for the next round or have gone to
// sleep, and work started inside a piece stays on its thread.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "engine/GParallel.h"

namespace {

struct Threads {
    explicit Threads(int32_t n) { SoftThreadPool::SetSimulationThreads(n); }
    ~Threads() { SoftThreadPool::SetSimulationThreads(0); }
};

} // namespace

TEST(SimulationPool, EveryPieceRunsOnceInRoundsBackToBackAndAfterTheWorkersSleep) {
    Threads threads(8);
    std::vector<std::atomic<int32_t>> runs(700);
    int32_t expected = 0;
    for (int32_t round = 0; round < 3000; ++round) {
        // Counts below, at and above the chunk count, rounds following at
        // once (workers watching) and after a pause (workers asleep).
        const int32_t count = 2 + (round * 37) % 697;
        if (round % 500 == 499) std::this_thread::sleep_for(std::chrono::milliseconds(3));
        ParallelFor(count, 2, [&](int32_t i) {
            EXPECT_TRUE(InsideParallelWork());
            runs[static_cast<size_t>(i)].fetch_add(1, std::memory_order_relaxed);
        });
        EXPECT_FALSE(InsideParallelWork());
        expected += count;
    }
    int32_t total = 0;
    for (int32_t i = 0; i < 700; ++i) {
        int32_t rounds = 0;
        for (int32_t round = 0; round < 3000; ++round)
            rounds += i < 2 + (round * 37) % 697 ? 1 : 0;
        EXPECT_EQ(runs[static_cast<size_t>(i)].load(), rounds) << "piece " << i;
        total += runs[static_cast<size_t>(i)].load();
    }
    EXPECT_EQ(total, expected);
}

TEST(SimulationPool, WorkStartedInsideAPieceStaysOnItsThread) {
    Threads threads(4);
    std::vector<std::thread::id> outer(64), inner(64 * 16);
    ParallelFor(64, 2, [&](int32_t i) {
        outer[static_cast<size_t>(i)] = std::this_thread::get_id();
        EXPECT_EQ(SimulationThreads(), 1);
        ParallelFor(16, 2,
                    [&](int32_t k) { inner[static_cast<size_t>(i * 16 + k)] = std::this_thread::get_id(); });
    });
    for (int32_t i = 0; i < 64; ++i)
        for (int32_t k = 0; k < 16; ++k)
            EXPECT_EQ(inner[static_cast<size_t>(i * 16 + k)], outer[static_cast<size_t>(i)]);
}

// A child forked while the pool's workers watch or sleep has none of them
// (and may hold copies of locks they held): its rounds run on its one thread.
TEST(SimulationPool, AForkedChildRunsItsRoundsAlone) {
    Threads threads(8);
    std::atomic<int32_t> parent{0};
    for (int32_t round = 0; round < 200; ++round)
        ParallelFor(300, 2, [&](int32_t) { parent.fetch_add(1, std::memory_order_relaxed); });
    ASSERT_EQ(parent.load(), 200 * 300);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::atomic<int32_t> runs{0};
        for (int32_t round = 0; round < 200; ++round)
            ParallelFor(300, 2, [&](int32_t) { runs.fetch_add(1, std::memory_order_relaxed); });
        _exit(runs.load() == 200 * 300 ? 0 : 1);
    }
    int status = 0;
    pid_t done = 0;
    // Only a hang takes two minutes, however busy the machine.
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    while (done == 0 && std::chrono::steady_clock::now() < until) {
        done = waitpid(child, &status, WNOHANG);
        if (done == 0) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (done == 0) {
        kill(child, SIGKILL);
        waitpid(child, &status, 0);
        FAIL() << "the forked child's rounds never ended";
    }
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    // The parent's pool goes on as before.
    ParallelFor(300, 2, [&](int32_t) { parent.fetch_add(1, std::memory_order_relaxed); });
    EXPECT_EQ(parent.load(), 201 * 300);
}
