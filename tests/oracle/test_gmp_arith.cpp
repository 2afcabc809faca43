// Montgomery and modular arithmetic against GMP on random operands, and the edge cases
// that pin down word order, carries and the constants.
#include <cstring>
#include <random>

#include <gmp.h>
#include <gtest/gtest.h>

#include "gost3410/params.h"
#include "gost3410/sign.h"
#include "lnum/lnum.h"
#include "oracle/word_model.h"
#include "random/generator.h"

using namespace vantix;
using namespace vantix::model;

namespace {

constexpr int N = 8;

struct Z {
    mpz_t v;
    Z() { mpz_init(v); }
    ~Z() { mpz_clear(v); }
};

// LNum words (most significant first) to and from GMP.
void to_mpz(mpz_t out, const uint32_t* w, int n) { mpz_import(out, size_t(n), 1, 4, 0, 0, w); }
void from_mpz(uint32_t* w, const mpz_t in, int n) {
    std::memset(w, 0, size_t(n) * 4);
    size_t count = 0;
    uint32_t tmp[65] = {};
    mpz_export(tmp, &count, 1, 4, 0, 0, in);
    std::memcpy(w + (n - int(count)), tmp, count * 4);
}

struct Arith : ::testing::Test {
    std::mt19937_64 rng{77};
    SignContext ctx{};
    RND_State rnd{};
    void SetUp() override {
        uint8_t seed[64] = {1};
        rnd_seed(&rnd, seed);
        ASSERT_EQ(sign_set_parms(&ctx, &rnd, nullptr, 32, nullptr, 32, nullptr, nullptr, nullptr), 0);
    }
    void random_below(uint32_t* out, const uint32_t* m) {
        do {
            for (int i = 0; i < N; ++i) out[i] = uint32_t(rng());
        } while (lnum_cmp(N, out, m) >= 0);
    }
};

}  // namespace

TEST_F(Arith, MontgomeryOperationsAgreeWithGmp) {
    Z m, r, a, b, expect, got, rinv, tmp;
    for (const uint32_t* mod : {ctx.p, ctx.q}) {
        to_mpz(m.v, mod, N);
        mpz_ui_pow_ui(r.v, 2, 256);
        ASSERT_NE(mpz_invert(rinv.v, r.v, m.v), 0);
        for (int iter = 0; iter < 2000; ++iter) {
            uint32_t x[N], y[N], out[N], e[N];
            random_below(x, mod);
            random_below(y, mod);
            to_mpz(a.v, x, N);
            to_mpz(b.v, y, N);
            std::memcpy(out, x, sizeof out);
            mont_mul(out, y, mod, N);
            mpz_mul(expect.v, a.v, b.v);
            mpz_mul(expect.v, expect.v, rinv.v);
            mpz_mod(expect.v, expect.v, m.v);
            to_mpz(got.v, out, N);
            ASSERT_EQ(mpz_cmp(got.v, expect.v), 0);
            uint32_t masked[2 * N];
            for (int i = 0; i < N; ++i) {
                masked[N + i] = uint32_t(rng());
                masked[i] = y[i] ^ masked[N + i];
            }
            std::memcpy(out, x, sizeof out);
            mont_mul_masked(out, masked, mod, N);
            to_mpz(got.v, out, N);
            ASSERT_EQ(mpz_cmp(got.v, expect.v), 0);
            std::memcpy(out, x, sizeof out);
            mont_sqr(out, mod, N);
            mpz_mul(expect.v, a.v, a.v);
            mpz_mul(expect.v, expect.v, rinv.v);
            mpz_mod(expect.v, expect.v, m.v);
            to_mpz(got.v, out, N);
            ASSERT_EQ(mpz_cmp(got.v, expect.v), 0);
            std::memcpy(out, x, sizeof out);
            lnum_add_mod(N, out, y, mod);
            mpz_add(expect.v, a.v, b.v);
            mpz_mod(expect.v, expect.v, m.v);
            to_mpz(got.v, out, N);
            ASSERT_EQ(mpz_cmp(got.v, expect.v), 0);
            std::memcpy(out, x, sizeof out);
            lnum_sub_mod(N, out, y, mod);
            mpz_sub(expect.v, a.v, b.v);
            mpz_mod(expect.v, expect.v, m.v);
            to_mpz(got.v, out, N);
            ASSERT_EQ(mpz_cmp(got.v, expect.v), 0);
            if (iter % 20 == 0) {
                for (int i = 0; i < N; ++i) e[i] = uint32_t(rng());
                mont_pow(x, e, out, 1, mod, N);  // plain result of (x in Montgomery form)^e
                Z ex, base;
                to_mpz(ex.v, e, N);
                mpz_mul(base.v, a.v, rinv.v);
                mpz_mod(base.v, base.v, m.v);
                mpz_powm(expect.v, base.v, ex.v, m.v);
                to_mpz(got.v, out, N);
                ASSERT_EQ(mpz_cmp(got.v, expect.v), 0);
            }
            if (!lnum_is_zero(N, x)) {
                mod_inverse(x, mod, out, N);
                ASSERT_NE(mpz_invert(expect.v, a.v, m.v), 0);
                to_mpz(got.v, out, N);
                ASSERT_EQ(mpz_cmp(got.v, expect.v), 0);
            }
        }
    }
}

TEST_F(Arith, ReductionsModuloQAgreeWithGmp) {
    Z q, a, expect, got;
    to_mpz(q.v, ctx.q, N);
    for (int iter = 0; iter < 2000; ++iter) {
        uint32_t x[N];
        for (int i = 0; i < N; ++i) x[i] = uint32_t(rng());
        if (iter == 0) std::memcpy(x, ctx.q, sizeof x);  // q reduces to 0
        to_mpz(a.v, x, N);
        mpz_mod(expect.v, a.v, q.v);
        uint32_t y[N];
        std::memcpy(y, x, sizeof y);
        order_reduce(y, &ctx);
        to_mpz(got.v, y, N);
        ASSERT_EQ(mpz_cmp(got.v, expect.v), 0);
        std::memcpy(y, x, sizeof y);
        order_reduce_wide(y, &ctx);
        to_mpz(got.v, y, N);
        ASSERT_EQ(mpz_cmp(got.v, expect.v), 0);
    }
}

TEST(ArithEdges, InverseForAModulusCloseToR) {
    // m = 2^256 - 189, the largest prime below R: the almost inverse's final r can exceed
    // 2^256 and must be held with one more bit.
    Z m, a, expect, got;
    mpz_ui_pow_ui(m.v, 2, 256);
    mpz_sub_ui(m.v, m.v, 189);
    ASSERT_NE(mpz_probab_prime_p(m.v, 30), 0);
    uint32_t rec[N + 1];
    from_mpz(rec, m.v, N);
    rec[N] = mont_neg_inv32(rec[N - 1]);
    std::mt19937_64 rng(5);
    for (int iter = 0; iter < 3000; ++iter) {
        uint32_t x[N], out[N];
        for (int i = 0; i < N; ++i) x[i] = uint32_t(rng());
        if (iter == 0) {
            std::memcpy(x, rec, sizeof x);
            x[N - 1] -= 1;  // m - 1 is its own inverse
        }
        to_mpz(a.v, x, N);
        mpz_mod(a.v, a.v, m.v);
        if (mpz_sgn(a.v) == 0) continue;
        from_mpz(x, a.v, N);
        mod_inverse(x, rec, out, N);
        ASSERT_NE(mpz_invert(expect.v, a.v, m.v), 0);
        to_mpz(got.v, out, N);
        ASSERT_EQ(mpz_cmp(got.v, expect.v), 0) << iter;
    }
}

TEST(ArithEdges, WordOrderCarriesAndConstants) {
    uint32_t ones[4] = {0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF}, one[4] = {0, 0, 0, 1};
    EXPECT_EQ(lnum_add(4, ones, one), 1);
    for (uint32_t w : ones) EXPECT_EQ(w, 0u);
    EXPECT_EQ(lnum_sub(4, ones, one), 1);
    for (uint32_t w : ones) EXPECT_EQ(w, 0xFFFFFFFFu);
    const uint32_t hi[1] = {0x80000000}, lo[1] = {0x7FFFFFFF};
    EXPECT_EQ(lnum_cmp(1, hi, lo), 1);
    uint32_t two32[2] = {1, 0};
    EXPECT_EQ(lnum_shr1(2, two32), 0);
    EXPECT_EQ(two32[0], 0u);
    EXPECT_EQ(two32[1], 0x80000000u);
    EXPECT_EQ(lnum_cmp(0, hi, lo), 0);
    uint8_t a[32], b[32] = {1};
    std::memset(a, 0xFF, sizeof a);
    EXPECT_EQ(bytes_add(32, a, b), 1);
    for (uint8_t x : a) EXPECT_EQ(x, 0);
    EXPECT_EQ(mont_neg_inv32(1), 0xFFFFFFFFu);
    EXPECT_EQ(mont_neg_inv32(3), 0x55555555u);
    EXPECT_EQ(mont_neg_inv32(0x55555555), 3u);
    EXPECT_EQ(mont_neg_inv32(0xFFFFFFFF), 1u);
    EXPECT_EQ(mont_neg_inv32(4), 0u);
    // p = 2^255 + 0x431: R mod p and one half in Montgomery form.
    const SignContext& c = sign_builtin_image();
    const uint32_t r_p[N] = {0x7FFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF,
                             0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFBCF};
    const uint32_t half[N] = {0x80000000, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(0, std::memcmp(c.r_p, r_p, sizeof r_p));
    EXPECT_EQ(0, std::memcmp(c.half, half, sizeof half));
    EXPECT_EQ(mont_mul(nullptr, nullptr, nullptr, 65), 1);
    EXPECT_EQ(mont_mul_masked(nullptr, nullptr, nullptr, 65), 1);
    EXPECT_EQ(mont_sqr(nullptr, nullptr, 65), 1);
}

// The control sum's addition, eight bytes at a time with a byte-wise tail, against GMP: every
// length from 0 to 40, operands that carry through whole words, random ones.
TEST(ArithEdges, BytesAddAgreesWithGmp) {
    std::mt19937_64 rng(11);
    for (int len = 0; len <= 40; ++len) {
        for (int kind = 0; kind < 4; ++kind) {
            uint8_t a[40], b[40];
            for (int i = 0; i < len; ++i) {
                a[i] = kind == 0 ? 0xFF : uint8_t(rng());
                b[i] = kind == 0 ? uint8_t(i == 0) : kind == 1 ? uint8_t(0xFF - a[i] + (i == 0)) : uint8_t(rng());
            }
            mpz_t x, y, sum;
            mpz_inits(x, y, sum, nullptr);
            mpz_import(x, size_t(len), -1, 1, 0, 0, a);
            mpz_import(y, size_t(len), -1, 1, 0, 0, b);
            mpz_add(sum, x, y);
            const int carry = bytes_add(len, a, b);
            EXPECT_EQ(carry, len > 0 ? int(mpz_tstbit(sum, mp_bitcnt_t(8 * len))) : 0) << len << " " << kind;
            uint8_t want[41] = {};
            size_t count = 0;
            mpz_export(want, &count, -1, 1, 0, 0, sum);
            EXPECT_EQ(std::memcmp(a, want, size_t(len)), 0) << len << " " << kind;
            mpz_clears(x, y, sum, nullptr);
        }
    }
}
