// Throughput of the modes and the hash through the native operations.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <benchmark/benchmark.h>

#include "bench_util.h"
#include "container/container.h"
#include "contexts/gamma.h"
#include "contexts/gamma_ofb.h"
#include "contexts/hash.h"
#include "contexts/mac.h"
#include "gost28147/builtin_tables.h"
#include "gost28147/round_table.h"
#include "gost3410/keys.h"
#include "gost3410/sign.h"
#include "random/generator.h"

using namespace vantix;

namespace {

// VANTIX_CIPHER_PATH=table|scalar|ssse3|avx2|avx512 limits the cipher cores for the run, so
// that the cores can be compared with one another and with the engine in one run.
const bool g_path_limited = [] {
    const char* v = std::getenv("VANTIX_CIPHER_PATH");
    if (v == nullptr || *v == 0) return false;
    static const char* const names[] = {"table", "scalar", "ssse3", "avx2", "avx512"};
    for (int i = 0; i < 5; ++i)
        if (std::strcmp(v, names[i]) == 0 && cipher_path_limit(CipherPath(i))) return true;
    std::fprintf(stderr, "VANTIX_CIPHER_PATH=%s: no such core on this processor\n", v);
    std::exit(2);
}();

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
    must(gamma_init(&ctx, &s.com, &s.rnd, s.key, s.iv));
    std::vector<uint8_t> buf(size_t(st.range(0)));
    for (auto _ : st) must(gamma_crypt(&ctx, buf.data(), buf.data(), int32_t(buf.size())));
    st.SetBytesProcessed(int64_t(st.iterations()) * st.range(0));
}

void BM_GammaFeedback(benchmark::State& st) {
    Setup s;
    GammaFeedbackContext ctx{};
    must(gamma_ofb_init(&ctx, &s.com, &s.rnd, s.key, s.iv));
    std::vector<uint8_t> buf(size_t(st.range(0)));
    for (auto _ : st) must(gamma_ofb_encrypt(&ctx, buf.data(), buf.data(), int32_t(buf.size())));
    st.SetBytesProcessed(int64_t(st.iterations()) * st.range(0));
}

void BM_GammaFeedbackDecrypt(benchmark::State& st) {
    Setup s;
    GammaFeedbackContext ctx{};
    must(gamma_ofb_init(&ctx, &s.com, &s.rnd, s.key, s.iv));
    std::vector<uint8_t> buf(size_t(st.range(0)));
    for (auto _ : st) must(gamma_ofb_decrypt(&ctx, buf.data(), buf.data(), int32_t(buf.size())));
    st.SetBytesProcessed(int64_t(st.iterations()) * st.range(0));
}

void BM_Mac(benchmark::State& st) {
    Setup s;
    MacContext ctx{};
    must(mac_init(&ctx, &s.com, &s.rnd, s.key, nullptr));
    std::vector<uint8_t> buf(size_t(st.range(0)));
    for (auto _ : st) must(mac_update(&ctx, buf.data(), int32_t(buf.size())));
    st.SetBytesProcessed(int64_t(st.iterations()) * st.range(0));
}

void BM_Hash(benchmark::State& st) {
    Setup s;
    HashContext ctx{};
    must(hash_init(&ctx, &s.com, &s.rnd, nullptr));
    std::vector<uint8_t> buf(size_t(st.range(0)));
    for (auto _ : st) must(hash_update(&ctx, buf.data(), int32_t(buf.size())));
    st.SetBytesProcessed(int64_t(st.iterations()) * st.range(0));
}

void BM_RndContainerMakeExtract(benchmark::State& st) {
    Setup s;
    const uint8_t pw[] = "benchmark password";
    uint8_t c[84];
    RND_State out{};
    for (auto _ : st) {
        must(make_rnd_container(&s.rnd, pw, 18, c));
        must(extract_rnd_container(c, pw, 18, &out));
    }
}

}  // namespace

BENCHMARK(BM_Gamma)->Arg(64)->Arg(1024)->Arg(64 << 10)->Arg(1 << 20);
BENCHMARK(BM_GammaFeedback)->Arg(64)->Arg(1024)->Arg(64 << 10)->Arg(1 << 20);
BENCHMARK(BM_GammaFeedbackDecrypt)->Arg(64)->Arg(1024)->Arg(64 << 10)->Arg(1 << 20);
BENCHMARK(BM_Mac)->Arg(64)->Arg(1024)->Arg(64 << 10)->Arg(1 << 20);
BENCHMARK(BM_Hash)->Arg(64)->Arg(1024)->Arg(64 << 10)->Arg(1 << 20);
BENCHMARK(BM_RndContainerMakeExtract)->Unit(benchmark::kMillisecond);

#include "random/time_sources.h"

namespace vantix {
void load_cryptopro_a(SignContext* ctx, RND_State* rnd);  // bench_sign.cpp
}

namespace {

// The CPU cost of one short call on a held context, with the generator's entropy
// gathering (sleeps and system queries every 16384 generator bytes) replaced by a fixed
// block, so that what is left is the per-call work: key check, keystream, re-masking.
void BM_Gamma64NoGathering(benchmark::State& st) {
    test_time_hooks().fixed_entropy = true;
    Setup s;
    GammaContext ctx{};
    must(gamma_init(&ctx, &s.com, &s.rnd, s.key, s.iv));
    uint8_t buf[64] = {};
    for (auto _ : st) must(gamma_crypt(&ctx, buf, buf, 64));
    test_time_hooks().fixed_entropy = false;
}

void BM_SignNoGathering(benchmark::State& st) {
    test_time_hooks().fixed_entropy = true;
    RND_State rnd{};
    uint8_t seed[64] = {7};
    rnd_seed(&rnd, seed);
    SignContext ctx{};
    load_cryptopro_a(&ctx, &rnd);
    must(sign_gen_secret_key(&ctx));
    uint8_t digest[32] = {1, 2, 3}, sig[64];
    for (auto _ : st) must(sign_digest(&ctx, digest, sig));
    test_time_hooks().fixed_entropy = false;
}

}  // namespace

BENCHMARK(BM_Gamma64NoGathering)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SignNoGathering)->Unit(benchmark::kMicrosecond);
