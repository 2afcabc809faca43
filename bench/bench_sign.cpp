// Montgomery arithmetic, scalar multiplication, sign and verify on the test curve.
#include <benchmark/benchmark.h>

#include <cstring>

#include "gost3410/signature.h"
#include "lnum/modarith.h"
#include "random/generator.h"

using namespace vantix;

namespace {

struct Curve {
    RND_State rnd{};
    SignContext ctx{};
    Curve() {
        uint8_t seed[64] = {7};
        rnd_seed(&rnd, seed);
        sign_set_parms(&ctx, &rnd, nullptr, 32, nullptr, 32, nullptr, nullptr, nullptr);
        sign_gen_secret_key(&ctx);
        sign_gen_public_key(&ctx);
    }
};

void BM_MontMul(benchmark::State& st) {
    Curve c;
    uint32_t a[8];
    std::memcpy(a, c.ctx.b_mont, sizeof a);
    for (auto _ : st) {
        mont_mul(a, c.ctx.a_mont, c.ctx.p, 8);
        benchmark::DoNotOptimize(a);
    }
}

void BM_MontSqr(benchmark::State& st) {
    Curve c;
    uint32_t a[8];
    std::memcpy(a, c.ctx.b_mont, sizeof a);
    for (auto _ : st) {
        mont_sqr(a, c.ctx.p, 8);
        benchmark::DoNotOptimize(a);
    }
}

void BM_ModInverse(benchmark::State& st) {
    Curve c;
    uint32_t a[8], out[8];
    std::memcpy(a, c.ctx.b_mont, sizeof a);
    for (auto _ : st) {
        mod_inverse(a, c.ctx.q, out, 8);
        benchmark::DoNotOptimize(out);
    }
}

void BM_PointMul(benchmark::State& st) {
    Curve c;
    LPoint base, out;
    lpoint_load(&base, c.ctx.base);
    uint32_t k[8];
    std::memcpy(k, c.ctx.b_mont, sizeof k);
    k[0] &= 0x7FFFFFFF;
    for (auto _ : st) lpoint_mul(&base, k, &out, &c.ctx);
}

void BM_Sign(benchmark::State& st) {
    Curve c;
    uint8_t digest[32] = {1, 2, 3}, sig[64];
    for (auto _ : st) sign_digest(&c.ctx, digest, sig);
}

void BM_Verify(benchmark::State& st) {
    Curve c;
    uint8_t digest[32] = {1, 2, 3}, sig[64];
    sign_digest(&c.ctx, digest, sig);
    for (auto _ : st) benchmark::DoNotOptimize(sign_verify(&c.ctx, digest, sig));
}

}  // namespace

BENCHMARK(BM_MontMul);
BENCHMARK(BM_MontSqr);
BENCHMARK(BM_ModInverse);
BENCHMARK(BM_PointMul)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Sign)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Verify)->Unit(benchmark::kMicrosecond);
