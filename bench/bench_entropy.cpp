// The processor time of one entropy gathering (its sleeps are not counted: the CPU time
// column is what the gathering costs the machine), and of one system-information query.
#include <cstdint>

#include <benchmark/benchmark.h>

#include "platform/platform.h"
#include "random/entropy.h"

namespace {

void BM_GatherEntropy(benchmark::State& st) {
    uint8_t block[32];
    for (auto _ : st) {
        benchmark::DoNotOptimize(vantix::gather_entropy(block));
        benchmark::ClobberMemory();
    }
}

void BM_QuerySystemInfo(benchmark::State& st) {
    static uint8_t buffer[vantix::platform::SYSINFO_BUFFER_BYTES];
    const auto kind = int32_t(st.range(0));
    for (auto _ : st) benchmark::DoNotOptimize(vantix::platform::query_system_info(kind, buffer));
}

}  // namespace

BENCHMARK(BM_GatherEntropy)->Unit(benchmark::kMicrosecond)->Iterations(64);
BENCHMARK(BM_QuerySystemInfo)->DenseRange(0, 3)->Unit(benchmark::kMicrosecond);
