// Montgomery arithmetic, scalar multiplication, sign and verify on the CryptoPro-A curve
// (id-GostR3410-2001-CryptoPro-A-ParamSet, RFC 4357 section 11.4), the set the engine's
// figures in bench_engine.cpp use too.
#include <cstdio>
#include <cstring>

#include <benchmark/benchmark.h>

#include "bench_util.h"
#include "gost3410/base_table.h"
#include "gost3410/keys.h"
#include "gost3410/scalar_mul.h"
#include "gost3410/sign.h"
#include "random/generator.h"
#include "unit/param_sets.h"

using namespace vantix;

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

// The field and group-order arithmetic of the curve, and the general constant-time
// scalar multiplication.
struct CurveFixture : Fixture {
    Curve c;
    CurveFixture() { curve_load(&c, &ctx); }
};

void BM_FieldMul(benchmark::State& st) {
    CurveFixture f;
    uint64_t a[4];
    fe_copy(a, f.c.b);
    with_shape(f.c.shape, [&]<ModShape S>() {
        for (auto _ : st) {
            fe_mul<S>(a, a, f.c.a, f.c.p);
            benchmark::DoNotOptimize(a);
        }
    });
}

void BM_FieldSqr(benchmark::State& st) {
    CurveFixture f;
    uint64_t a[4];
    fe_copy(a, f.c.b);
    with_shape(f.c.shape, [&]<ModShape S>() {
        for (auto _ : st) {
            fe_sqr<S>(a, a, f.c.p);
            benchmark::DoNotOptimize(a);
        }
    });
}

void BM_OrderInverse(benchmark::State& st) {
    CurveFixture f;
    uint64_t a[4], out[4];
    fe_reduce(a, f.c.b, f.c.q);
    for (auto _ : st) {
        fe_inv(out, a, f.c.q);
        benchmark::DoNotOptimize(out);
    }
}

void BM_PointMul(benchmark::State& st) {
    CurveFixture f;
    LPoint base;
    lpoint_load(&base, f.ctx.base);
    JPoint g, out;
    jpoint_from_lpoint(f.c, &g, &base);
    uint64_t k[4];
    fe_copy(k, f.c.b);
    k[3] &= 0x7FFFFFFFFFFFFFFFull;
    for (auto _ : st) mul_ct(f.c, g, k, &out);
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

BENCHMARK(BM_FieldMul);
BENCHMARK(BM_FieldSqr);
BENCHMARK(BM_OrderInverse);
BENCHMARK(BM_PointMul)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Sign)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Verify)->Unit(benchmark::kMicrosecond);

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
