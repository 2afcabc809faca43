// Scalar multiplication on the GOST R 34.10-2001 test curve against a plain affine
// double-and-add written with GMP, and the special points of the point arithmetic.
#include <cstring>
#include <random>

#include <gmp.h>
#include <gtest/gtest.h>

#include "gost3410/params.h"
#include "lnum/lnum.h"
#include "oracle/word_model.h"
#include "random/generator.h"

using namespace vantix;
using namespace vantix::model;

namespace {

constexpr int N = 8;

void to_mpz(mpz_t out, const uint32_t* w) { mpz_import(out, N, 1, 4, 0, 0, w); }

// An affine point with GMP coordinates; `inf` marks the point at infinity.
struct Affine {
    mpz_t x, y;
    bool inf = true;
    Affine() { mpz_inits(x, y, nullptr); }
    ~Affine() { mpz_clears(x, y, nullptr); }
    void set(const Affine& o) {
        mpz_set(x, o.x);
        mpz_set(y, o.y);
        inf = o.inf;
    }
};

struct Curve {
    mpz_t p, a;
    Curve() { mpz_inits(p, a, nullptr); }
    ~Curve() { mpz_clears(p, a, nullptr); }

    // r = s + t with the textbook affine formulas.
    void add(Affine& r, const Affine& s, const Affine& t) const {
        if (s.inf) return r.set(t);
        if (t.inf) return r.set(s);
        mpz_t l, u, v;
        mpz_inits(l, u, v, nullptr);
        if (mpz_cmp(s.x, t.x) == 0) {
            mpz_add(u, s.y, t.y);
            mpz_mod(u, u, p);
            if (mpz_sgn(u) == 0) {
                r.inf = true;
                mpz_clears(l, u, v, nullptr);
                return;
            }
            mpz_mul(l, s.x, s.x);  // (3x^2 + a) / 2y
            mpz_mul_ui(l, l, 3);
            mpz_add(l, l, a);
            mpz_mul_ui(v, s.y, 2);
        } else {
            mpz_sub(l, t.y, s.y);
            mpz_sub(v, t.x, s.x);
        }
        mpz_mod(v, v, p);
        mpz_invert(v, v, p);
        mpz_mul(l, l, v);
        mpz_mod(l, l, p);
        mpz_mul(u, l, l);  // x3 = l^2 - x1 - x2
        mpz_sub(u, u, s.x);
        mpz_sub(u, u, t.x);
        mpz_mod(u, u, p);
        mpz_sub(v, s.x, u);  // y3 = l (x1 - x3) - y1
        mpz_mul(v, v, l);
        mpz_sub(v, v, s.y);
        mpz_mod(v, v, p);
        mpz_set(r.x, u);
        mpz_set(r.y, v);
        r.inf = false;
        mpz_clears(l, u, v, nullptr);
    }

    void mul(Affine& r, const Affine& pt, const mpz_t k) const {
        Affine acc, tmp;
        for (long i = long(mpz_sizeinbase(k, 2)) - 1; i >= 0; --i) {
            tmp.set(acc);
            add(acc, tmp, tmp);
            if (mpz_tstbit(k, mp_bitcnt_t(i))) {
                tmp.set(acc);
                add(acc, tmp, pt);
            }
        }
        r.set(acc);
    }
};

struct PointOracle : ::testing::Test {
    RND_State rnd{};
    SignContext ctx{};
    Curve curve;
    Affine g;
    LPoint base{};
    void SetUp() override {
        uint8_t seed[64] = {3};
        rnd_seed(&rnd, seed);
        ASSERT_EQ(sign_set_parms(&ctx, &rnd, nullptr, 32, nullptr, 32, nullptr, nullptr, nullptr), 0);
        to_mpz(curve.p, ctx.p);
        mpz_set_ui(curve.a, 7);
        mpz_set_ui(g.x, 2);
        mpz_set_str(g.y, "08E2A8A0E65147D4BD6316030E16D19C85C97F0A9CA267122B96ABBCEA7E8FC8", 16);
        g.inf = false;
        lpoint_load(&base, ctx.base);
    }
    // Our result in affine plain form, as GMP values; false for the point at infinity.
    bool ours_affine(LPoint pt, Affine& out) {
        if (lnum_is_zero(N, pt.z)) return false;
        lpoint_to_affine(&ctx, &pt);
        lpoint_from_mont(&ctx, &pt);
        to_mpz(out.x, pt.x);
        to_mpz(out.y, pt.y);
        out.inf = false;
        return true;
    }
};

}  // namespace

TEST_F(PointOracle, ScalarMultiplicationAgreesWithAffineDoubleAndAdd) {
    std::mt19937_64 rng(11);
    mpz_t k;
    mpz_init(k);
    for (int iter = 0; iter < 150; ++iter) {
        uint32_t kw[N];
        for (int i = 0; i < N; ++i) kw[i] = uint32_t(rng());
        if (iter < 3) {  // 1, 2 and 3
            std::memset(kw, 0, sizeof kw);
            kw[N - 1] = uint32_t(iter + 1);
        }
        to_mpz(k, kw);
        LPoint r{};
        lpoint_mul(&base, kw, &r, &ctx);
        Affine expect, got;
        curve.mul(expect, g, k);
        ASSERT_TRUE(ours_affine(r, got));
        ASSERT_EQ(mpz_cmp(got.x, expect.x), 0) << iter;
        ASSERT_EQ(mpz_cmp(got.y, expect.y), 0) << iter;
    }
    mpz_clear(k);
}

TEST_F(PointOracle, SpecialPoints) {
    const uint32_t zero[N] = {};
    uint32_t one[N] = {}, two[N] = {};
    one[N - 1] = 1;
    two[N - 1] = 2;
    LPoint r{}, d = base;
    lpoint_mul(&base, one, &r, &ctx);
    EXPECT_EQ(0, std::memcmp(&r, &base, LPOINT_BYTES));  // k = 1: P unchanged, flags included
    lpoint_mul(&base, two, &r, &ctx);
    lpoint_double(&ctx, &d);
    EXPECT_EQ(0, std::memcmp(&r, &d, LPOINT_BYTES));
    LPoint sum = base;
    lpoint_add(&ctx, &sum, &base);  // P + P takes the doubling path
    EXPECT_EQ(0, std::memcmp(&sum, &d, LPOINT_BYTES));
    lpoint_mul(&base, zero, &r, &ctx);
    EXPECT_TRUE(lnum_is_zero(N, r.z));
    EXPECT_EQ(r.flags, 0x80);
    EXPECT_EQ(0, std::memcmp(r.x, ctx.r_p, 32));
    lpoint_mul(&base, ctx.q, &r, &ctx);  // q*P is the point at infinity
    EXPECT_TRUE(lnum_is_zero(N, r.z));
    LPoint neg = base;  // P + (-P)
    lnum_sub_mod(N, neg.y, neg.y, ctx.p);
    lnum_sub_mod(N, neg.y, base.y, ctx.p);
    LPoint s = base;
    lpoint_add(&ctx, &s, &neg);
    EXPECT_TRUE(lnum_is_zero(N, s.z));
    LPoint a = base;  // Z = one: affine conversion keeps X and Y
    lpoint_to_affine(&ctx, &a);
    EXPECT_EQ(0, std::memcmp(a.x, base.x, 64));
    EXPECT_EQ(a.flags, 0x80);
    lpoint_to_affine(&ctx, &r);  // infinity comes out as X = Y = 0
    EXPECT_TRUE(lnum_is_zero(N, r.x) && lnum_is_zero(N, r.y));
    LPoint m = base;
    lpoint_from_mont(&ctx, &m);
    EXPECT_EQ(m.flags, 0x01);
    lpoint_to_mont(&ctx, &m);
    EXPECT_EQ(0, std::memcmp(&m, &base, LPOINT_BYTES));
}
