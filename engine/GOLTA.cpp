#include "engine/GOLTA.h"

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>

namespace {
uint32_t sRandomState = 1; // the C library's default seed
// Read by the simulation's worker threads too.
std::atomic<uint32_t (*)()> sClockSource{nullptr};
}

int32_t Random() {
    sRandomState = sRandomState * 1103515245u + 12345u;
    return static_cast<int32_t>((sRandomState >> 16) & 0x7FFFu);
}

void SeedRandomGenerator(uint32_t seed) {
    sRandomState = seed;
}

void RandomlySeedRandomGenerator() {
    SeedRandomGenerator(ClockTime());
}

uint32_t GetRandomState() {
    return sRandomState;
}

uint32_t RandomPair() {
    // Two statements so that the high half is certainly drawn first.
    uint32_t high = static_cast<uint32_t>(Random());
    uint32_t low = static_cast<uint32_t>(Random());
    return (high << 16) | low;
}

double RandomFraction() {
    return static_cast<double>(RandomPair() % 10000000u) * 1e-7;
}

uint32_t RandomPick(uint32_t n) {
    uint32_t r = RandomPair();
    return n == 0 ? 0 : r % n;
}

bool RandomOneIn(uint32_t k) {
    uint32_t r = RandomPair();
    return k <= 1 || r % k == 0;
}

int32_t RandomCoin() {
    return static_cast<int32_t>(RandomPair() & 1u);
}

uint32_t RandomSeed16() {
    return RandomPair() % 65535u;
}

uint32_t ClockTime() {
    if (uint32_t (*source)() = sClockSource.load(std::memory_order_acquire)) return source();
    return RealClockTime();
}

void SetClockSource(uint32_t (*source)()) {
    sClockSource.store(source, std::memory_order_release);
}

uint32_t RealClockTime() {
    // steady_clock counts from system start on Linux; the 32-bit value wraps
    // like the tick count the game was designed around.
    auto since = std::chrono::steady_clock::now().time_since_epoch();
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(since).count();
    return static_cast<uint32_t>(static_cast<uint64_t>(ms));
}

void TimeDelay(uint32_t ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void CopyMem(const void* from, void* to, uint32_t n) {
    if (n == 0 || from == nullptr || to == nullptr) return;
    std::memmove(to, from, n);
}
