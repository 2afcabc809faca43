// Montgomery arithmetic, scalar multiplication, sign and verify on the CryptoPro-A curve
// (id-GostR3410-2001-CryptoPro-A-ParamSet, RFC 4357 section 11.4), the set the engine's
// figures in bench_engine.cpp use too.
#include <cstdio>
#include <cstring>

#include <benchmark/benchmark.h>

#include "bench_util.h"
#include "gost3410/modarith.h"
#include "gost3410/signature.h"
#include "random/generator.h"
#include "unit/param_sets.h"

using namespace vantix;

namespace {}  // namespace

namespace vantix {
void load_cryptopro_a(SignContext* ctx, RND_State* rnd);
}

void vantix::load_cryptopro_a(SignContext* ctx, RND_State* rnd) { load_param_set(ctx, rnd, kCryptoProA); }

namespace {

struct Fixture {
    RND_State rnd{};
    SignContext ctx{};
    Fixture() {
        uint8_t seed[64] = {7};
        rnd_seed(&rnd, seed);
        load_cryptopro_a(&ctx, &rnd);
        must(sign_gen_secret_key(&ctx));
        must(sign_gen_public_key(&ctx));
    }
};

void BM_MontMul(benchmark::State& st) {
    Fixture c;
    uint32_t a[8];
    std::memcpy(a, c.ctx.b_mont, sizeof a);
    for (auto _ : st) {
        mont_mul(a, c.ctx.a_mont, c.ctx.p, 8);
        benchmark::DoNotOptimize(a);
    }
}

void BM_MontSqr(benchmark::State& st) {
    Fixture c;
    uint32_t a[8];
    std::memcpy(a, c.ctx.b_mont, sizeof a);
    for (auto _ : st) {
        mont_sqr(a, c.ctx.p, 8);
        benchmark::DoNotOptimize(a);
    }
}

void BM_ModInverse(benchmark::State& st) {
    Fixture c;
    uint32_t a[8], out[8];
    std::memcpy(a, c.ctx.b_mont, sizeof a);
    for (auto _ : st) {
        mod_inverse(a, c.ctx.q, out, 8);
        benchmark::DoNotOptimize(out);
    }
}

void BM_PointMul(benchmark::State& st) {
    Fixture c;
    LPoint base, out;
    lpoint_load(&base, c.ctx.base);
    uint32_t k[8];
    std::memcpy(k, c.ctx.b_mont, sizeof k);
    k[0] &= 0x7FFFFFFF;
    for (auto _ : st) lpoint_mul(&base, k, &out, &c.ctx);
}

void BM_Sign(benchmark::State& st) {
    Fixture c;
    uint8_t digest[32] = {1, 2, 3}, sig[64];
    for (auto _ : st) must(sign_digest(&c.ctx, digest, sig));
}

void BM_Verify(benchmark::State& st) {
    Fixture c;
    uint8_t digest[32] = {1, 2, 3}, sig[64];
    must(sign_digest(&c.ctx, digest, sig));
    for (auto _ : st) benchmark::DoNotOptimize(sign_verify(&c.ctx, digest, sig));
}

}  // namespace

BENCHMARK(BM_MontMul);
BENCHMARK(BM_MontSqr);
BENCHMARK(BM_ModInverse);
BENCHMARK(BM_PointMul)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Sign)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Verify)->Unit(benchmark::kMicrosecond);

#include "gost3410/scalar_mul.h"
#include "random/masking.h"

namespace {

void BM_BaseMulCt(benchmark::State& st) {
    Fixture c0;
    Curve c;
    curve_load(&c, &c0.ctx);
    JPoint g, out;
    APoint ga;
    sign_base_point(c, &c0.ctx, &g, &ga);
    const BaseTable* t = base_table_get(c, ga);
    uint64_t k[4] = {0x1234567890abcdefULL, 0xfedcba0987654321ULL, 0x0f0f0f0f0f0f0f0fULL, 0x7000000000000001ULL};
    for (auto _ : st) mul_base_ct(c, *t, k, &out);
}

void BM_FieldInvert(benchmark::State& st) {
    Fixture c0;
    Curve c;
    curve_load(&c, &c0.ctx);
    uint64_t x[4] = {1, 2, 3, 4};
    for (auto _ : st) {
        jpoint_affine_x_ct(c, JPoint{{1, 2, 3, 4}, {1, 2, 3, 4}, {5, 6, 7, 8}}, x);
        benchmark::DoNotOptimize(x);
    }
}

void BM_RndFill32(benchmark::State& st) {
    Fixture c;
    uint8_t buf[32];
    for (auto _ : st) must(rnd_fill(&c.rnd, buf, 32));
}

void BM_Remask(benchmark::State& st) {
    Fixture c;
    uint32_t v[8] = {}, m[8] = {};
    for (auto _ : st) remask_key(&c.rnd, v, m);
}

}  // namespace

BENCHMARK(BM_BaseMulCt)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FieldInvert)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RndFill32)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Remask)->Unit(benchmark::kMicrosecond);
