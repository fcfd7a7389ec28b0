// A 1 MB turn file over loopback in records of 8192 bytes, host and guest
// endpoints in one process, as the application sends files from its idle
// hook: offer records until one is refused, then let the pumps run. The
// time per iteration is the time for the whole file.

#include <benchmark/benchmark.h>

#include <vector>

#include "engine/OPEndpoint.h"

namespace {

uint64_t sReceivedBytes = 0;
void CountBytes(unsigned char*, uint32_t length) { sReceivedBytes += length; }
void IgnoreLoss(bool) {}

void BM_TurnFileOverLoopback(benchmark::State& state)
{
    constexpr uint32_t kFile = 1 << 20;
    constexpr uint32_t kRecord = 8192;
    OPEndpoint host, guest;
    if (!host.Open(true, 0, 0, &CountBytes, &IgnoreLoss) ||
        !guest.Open(false, 0x7F000001, host.ListenPort(), &CountBytes, &IgnoreLoss)) {
        state.SkipWithError("no loopback connection");
        return;
    }
    while (!host.HasConnection()) host.Idle();
    const std::vector<uint8_t> record(kRecord, 0x5A);
    for (auto _ : state) {
        sReceivedBytes = 0;
        uint32_t sent = 0;
        while (sReceivedBytes < kFile) {
            while (sent < kFile && guest.Send(record.data(), kRecord) == 0) sent += kRecord;
            host.Idle();
            guest.Idle();
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kFile);
}
BENCHMARK(BM_TurnFileOverLoopback)->Unit(benchmark::kMillisecond);

} // namespace
