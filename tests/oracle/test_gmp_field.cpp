// The four-limb field arithmetic against GMP, every reduction path forced in turn: the
// portable one, the one for p = 2^256 - c, the one for p = 2^255 + c, the three mulx/adx
// forms (when this processor has them) and the two Plain forms for p = 2^256 - c (a*b mod m,
// no R^-1), on the field primes and group orders of the curves of each shape. Random
// operands plus the values next to 0 and m, where carries and the final subtraction decide.
#include <random>
#include <vector>

#include <gmp.h>
#include <gtest/gtest.h>

#include "gost3410/curve.h"
#include "oracle/gmp_z.h"
#include "random/generator.h"
#include "unit/param_sets.h"

using namespace vantix;

namespace {

void to_mpz(mpz_t out, const uint64_t* limbs) { limbs_to_mpz(out, limbs); }

// The paths that may serve a modulus of this shape on this processor.
std::vector<ModShape> paths_for(const Mod256& md) {
    std::vector<ModShape> out{ModShape::Generic};
    const ModShape own = mod256_shape(md);
    if (own != ModShape::Generic) out.push_back(own);
    if (cpu_has_mulx_adx()) {
        out.push_back(ModShape::Mulx);
        if (own == ModShape::MinusC) out.push_back(ModShape::MulxMinusC);
        if (own == ModShape::HalfPlusC) out.push_back(ModShape::MulxHalfPlusC);
    }
    if (mod256_plain_capable(md)) {
        out.push_back(ModShape::PlainMinusC);
        if (cpu_has_mulx_adx()) out.push_back(ModShape::MulxPlainMinusC);
    }
    return out;
}

template <ModShape S>
void ops(const Mod256& md, const uint64_t* a, const uint64_t* b, uint64_t* mul, uint64_t* sqr) {
    fe_mul<S>(mul, a, b, md);
    fe_sqr<S>(sqr, a, md);
}

void run_path(ModShape s, const Mod256& md, const uint64_t* a, const uint64_t* b, uint64_t* mul, uint64_t* sqr) {
    switch (s) {
        case ModShape::MinusC: ops<ModShape::MinusC>(md, a, b, mul, sqr); break;
        case ModShape::HalfPlusC: ops<ModShape::HalfPlusC>(md, a, b, mul, sqr); break;
        case ModShape::Mulx: ops<ModShape::Mulx>(md, a, b, mul, sqr); break;
        case ModShape::MulxMinusC: ops<ModShape::MulxMinusC>(md, a, b, mul, sqr); break;
        case ModShape::MulxHalfPlusC: ops<ModShape::MulxHalfPlusC>(md, a, b, mul, sqr); break;
        case ModShape::PlainMinusC: ops<ModShape::PlainMinusC>(md, a, b, mul, sqr); break;
        case ModShape::MulxPlainMinusC: ops<ModShape::MulxPlainMinusC>(md, a, b, mul, sqr); break;
        default: ops<ModShape::Generic>(md, a, b, mul, sqr); break;
    }
}

}  // namespace

TEST(FieldOracle, EveryReductionPathAgreesWithGmp) {
    const ParamSetHex* const sets[] = {&kTestSet, &kCryptoProA, &kCryptoProB, &kCryptoProC};
    std::mt19937_64 rng(2026);
    int paths_seen[8] = {};
    for (const ParamSetHex* set : sets) {
        RND_State rnd{};
        uint8_t seed[64] = {3};
        rnd_seed(&rnd, seed);
        SignContext ctx{};
        ASSERT_EQ(load_param_set(&ctx, &rnd, *set), 0);
        Curve c;
        curve_load(&c, &ctx);
        for (const Mod256* md : {&c.p, &c.q}) {
            Z m, rinv, one, x, y, expect, got;
            to_mpz(m.v, md->m);
            mpz_set_ui(one.v, 1);
            mpz_ui_pow_ui(rinv.v, 2, 256);
            ASSERT_NE(mpz_invert(rinv.v, rinv.v, m.v), 0);
            // operands: edge values, then random ones below m
            std::vector<std::vector<uint64_t>> vals;
            const uint64_t* mm = md->m;
            vals.push_back({0, 0, 0, 0});
            vals.push_back({1, 0, 0, 0});
            vals.push_back({mm[0] - 1, mm[1], mm[2], mm[3]});
            vals.push_back({mm[0] - 2, mm[1], mm[2], mm[3]});
            vals.push_back({md->one[0], md->one[1], md->one[2], md->one[3]});
            vals.push_back({~0ull, ~0ull, ~0ull, mm[3] >> 1});
            while (vals.size() < 200) {
                std::vector<uint64_t> v{rng(), rng(), rng(), rng()};
                if (v[3] >= mm[3]) v[3] %= mm[3];
                vals.push_back(v);
            }
            for (ModShape s : paths_for(*md)) {
                ++paths_seen[int(s)];
                // The Plain forms multiply without the factor R^-1.
                const mpz_srcptr scale = is_plain(s) ? one.v : rinv.v;
                for (size_t i = 0; i < vals.size(); ++i) {
                    const uint64_t* a = vals[i].data();
                    const uint64_t* b = vals[(i * 7 + 3) % vals.size()].data();
                    uint64_t mul[4], sqr[4];
                    run_path(s, *md, a, b, mul, sqr);
                    to_mpz(x.v, a);
                    to_mpz(y.v, b);
                    mpz_mul(expect.v, x.v, y.v);
                    mpz_mul(expect.v, expect.v, scale);
                    mpz_mod(expect.v, expect.v, m.v);
                    to_mpz(got.v, mul);
                    ASSERT_EQ(mpz_cmp(got.v, expect.v), 0) << set->name << " path " << int(s) << " mul " << i;
                    mpz_mul(expect.v, x.v, x.v);
                    mpz_mul(expect.v, expect.v, scale);
                    mpz_mod(expect.v, expect.v, m.v);
                    to_mpz(got.v, sqr);
                    ASSERT_EQ(mpz_cmp(got.v, expect.v), 0) << set->name << " path " << int(s) << " sqr " << i;
                }
            }
        }
    }
    // Each special path met a modulus of its shape (the mulx ones where the processor has them).
    EXPECT_GT(paths_seen[int(ModShape::MinusC)], 0);
    EXPECT_GT(paths_seen[int(ModShape::HalfPlusC)], 0);
    if (cpu_has_mulx_adx()) {
        EXPECT_GT(paths_seen[int(ModShape::MulxMinusC)], 0);
        EXPECT_GT(paths_seen[int(ModShape::MulxHalfPlusC)], 0);
        EXPECT_GT(paths_seen[int(ModShape::MulxPlainMinusC)], 0);
    }
    EXPECT_GT(paths_seen[int(ModShape::PlainMinusC)], 0);
}
