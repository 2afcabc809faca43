// The cost the live-block registry adds to every export: pinning and unpinning a handle
// (a lock, a hash lookup, an unlock, twice), with a few hundred live blocks registered.
#include <vector>

#include <benchmark/benchmark.h>

#include "jni/registry.h"

using namespace vantix::jni;

namespace {

void BM_RegistryPinUnpin(benchmark::State& st) {
    std::vector<void*> blocks;
    for (int i = 0; i < 500; ++i) blocks.push_back(registry_alloc(120, BlockKind::Cipher));
    void* target = blocks[250];
    for (auto _ : st) {
        const bool ok = registry_pin(target, BlockKind::Cipher, 116, PinMode::Exclusive, nullptr) == PinResult::Pinned;
        benchmark::DoNotOptimize(ok);
        registry_unpin(target, PinMode::Exclusive);
    }
    for (void* b : blocks) registry_free(b);
}

}  // namespace

BENCHMARK(BM_RegistryPinUnpin);
