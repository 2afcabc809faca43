// Throughput of the modes and the hash through the native operations.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "container/container.h"
#include "gost28147/builtin_tables.h"
#include "gost28147/gamma.h"
#include "gost28147/gamma_ofb.h"
#include "gost28147/mac.h"
#include "gost3411/hash.h"
#include "random/generator.h"

using namespace vantix;

namespace {

struct Setup {
    RND_State rnd{};
    COM_State com{};
    uint8_t key[64] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    uint8_t iv[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    Setup() {
        uint8_t seed[64] = {42};
        rnd_seed(&rnd, seed);
        std::memcpy(com.sbox, builtin_sbox(Sbox::CipherA), 128);
    }
};

void BM_Gamma(benchmark::State& st) {
    Setup s;
    GammaContext ctx{};
    gamma_init(&ctx, &s.com, &s.rnd, s.key, s.iv);
    std::vector<uint8_t> buf(size_t(st.range(0)));
    for (auto _ : st) gamma_crypt(&ctx, buf.data(), buf.data(), int32_t(buf.size()));
    st.SetBytesProcessed(int64_t(st.iterations()) * st.range(0));
}

void BM_GammaFeedback(benchmark::State& st) {
    Setup s;
    GammaFeedbackContext ctx{};
    gamma_ofb_init(&ctx, &s.com, &s.rnd, s.key, s.iv);
    std::vector<uint8_t> buf(size_t(st.range(0)));
    for (auto _ : st) gamma_ofb_encrypt(&ctx, buf.data(), buf.data(), int32_t(buf.size()));
    st.SetBytesProcessed(int64_t(st.iterations()) * st.range(0));
}

void BM_Mac(benchmark::State& st) {
    Setup s;
    MacContext ctx{};
    mac_init(&ctx, &s.com, &s.rnd, s.key, nullptr);
    std::vector<uint8_t> buf(size_t(st.range(0)));
    for (auto _ : st) mac_update(&ctx, buf.data(), int32_t(buf.size()));
    st.SetBytesProcessed(int64_t(st.iterations()) * st.range(0));
}

void BM_Hash(benchmark::State& st) {
    Setup s;
    HashContext ctx{};
    hash_init(&ctx, &s.com, &s.rnd, nullptr);
    std::vector<uint8_t> buf(size_t(st.range(0)));
    for (auto _ : st) hash_update(&ctx, buf.data(), int32_t(buf.size()));
    st.SetBytesProcessed(int64_t(st.iterations()) * st.range(0));
}

void BM_RndContainerMakeExtract(benchmark::State& st) {
    Setup s;
    const uint8_t pw[] = "benchmark password";
    uint8_t c[84];
    RND_State out{};
    for (auto _ : st) {
        make_rnd_container(&s.rnd, pw, 18, c);
        extract_rnd_container(c, pw, 18, &out);
    }
}

}  // namespace

BENCHMARK(BM_Gamma)->Arg(64)->Arg(1024)->Arg(64 << 10)->Arg(1 << 20);
BENCHMARK(BM_GammaFeedback)->Arg(64)->Arg(1024)->Arg(64 << 10)->Arg(1 << 20);
BENCHMARK(BM_Mac)->Arg(64)->Arg(1024)->Arg(64 << 10)->Arg(1 << 20);
BENCHMARK(BM_Hash)->Arg(64)->Arg(1024)->Arg(64 << 10)->Arg(1 << 20);
BENCHMARK(BM_RndContainerMakeExtract)->Unit(benchmark::kMillisecond);
