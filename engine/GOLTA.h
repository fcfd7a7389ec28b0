#pragma once
// The program's one random generator and small utilities.
//
// Every random draw of the program comes from Random(), in the order the
// rules make them: network peers re-seed alike and must draw the same
// sequence, so never use the C library's rand() or <random> engines.

#include <cstdint>

// state = state * 1103515245 + 12345 (mod 2^32); result (state >> 16) & 0x7FFF.
int32_t Random();
void SeedRandomGenerator(uint32_t seed);
void RandomlySeedRandomGenerator(); // seeds from ClockTime()
uint32_t GetRandomState();          // for tests and diagnostics

// Idioms built on two calls, the first giving the high half:
// R = (Random() << 16) | Random(), unsigned 32-bit.
uint32_t RandomPair();
// (R mod 10000000) * 1e-7 in double, as the game rules compute it; [0, 1).
double RandomFraction();
// R mod n; 0 when n is 0.
uint32_t RandomPick(uint32_t n);
// True when R mod k is 0 (one chance in k); true when k is 0 or 1.
bool RandomOneIn(uint32_t k);
// The low bit of R: 0 is heads.
int32_t RandomCoin();
// A 16-bit seed to share with a network peer: R mod 65535.
uint32_t RandomSeed16();

// The program's clock in milliseconds, 32-bit (wraps after ~49.7 days):
// the real clock since the system started, unless a source was set.
uint32_t ClockTime();
// The real clock, whatever drives the program's clock; for what measures
// another machine (a network peer's silence).
uint32_t RealClockTime();
// Drives the program's clock from source (null: the real clock again). A
// driver that advances it itself makes the program run the same passes at
// the same times however fast the machine is.
void SetClockSource(uint32_t (*source)());
// Waits ms milliseconds.
void TimeDelay(uint32_t ms);
// Copies n bytes; note the order: from, then to. Overlap is allowed.
void CopyMem(const void* from, void* to, uint32_t n);
