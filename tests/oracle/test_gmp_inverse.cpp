// The constant-time inversion (division steps) against GMP's mpz_invert, on the field and
// group orders of every parameter set and on the largest prime below 2^256, for the edge
// values that stress the steps (0, 1, 2, m - 1, m - 2, halves, powers of two, values with
// long runs of ones or zeros) and for random ones.
#include <random>
#include <string>
#include <vector>

#include <gmp.h>
#include <gtest/gtest.h>

#include "lnum/mod256.h"
#include "oracle/gmp_z.h"
#include "unit/param_sets.h"

using namespace vantix;

namespace {

void to_limbs(uint64_t* out, const mpz_t x) { mpz_to_limbs(out, x); }
void to_words(uint32_t* w, const mpz_t x) {
    uint64_t l[4];
    to_limbs(l, x);
    limbs_to_words(w, l);
}

std::vector<std::string> moduli() {
    std::vector<std::string> out;
    for (const ParamSetHex* h : {&kTestSet, &kCryptoProA, &kCryptoProB, &kCryptoProC}) {
        out.emplace_back(h->p);
        out.emplace_back(h->q);
    }
    out.emplace_back("FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF43");  // 2^256 - 189
    return out;
}

struct Inverse : ::testing::TestWithParam<std::string> {
    Z m{GetParam().c_str()}, r, r2;
    Mod256 md{};

    void SetUp() override {
        mpz_setbit(r.v, 256);
        mpz_mod(r.v, r.v, m.v);
        mpz_mul(r2.v, r.v, r.v);
        mpz_mod(r2.v, r2.v, m.v);
        uint32_t mw[8], rw[8], r2w[8];
        to_words(mw, m.v);
        to_words(rw, r.v);
        to_words(r2w, r2.v);
        mod256_setup(&md, mw, rw, r2w);
    }

    // Inverts x (plain, below m) through its Montgomery form and checks the result.
    void check(const mpz_t x) {
        Z a, expect;
        mpz_mul(a.v, x, r.v);  // Montgomery form of x
        mpz_mod(a.v, a.v, m.v);
        if (mpz_sgn(x) != 0) {
            ASSERT_NE(mpz_invert(expect.v, x, m.v), 0);
            mpz_mul(expect.v, expect.v, r.v);
            mpz_mod(expect.v, expect.v, m.v);
        }
        uint64_t in[4], want[4], got[4];
        to_limbs(in, a.v);
        to_limbs(want, expect.v);
        fe_inv(got, in, md);
        for (int i = 0; i < 4; ++i) ASSERT_EQ(got[i], want[i]) << "x = " << mpz_get_str(nullptr, 16, x);
        fe_inv(in, in, md);  // in place
        for (int i = 0; i < 4; ++i) ASSERT_EQ(in[i], want[i]);
    }
};

TEST_P(Inverse, EdgeValuesAgreeWithGmp) {
    Z x;
    for (long small : {0L, 1L, 2L, 3L}) {
        mpz_set_si(x.v, small);
        check(x.v);
    }
    for (long off : {1L, 2L, 3L}) {
        mpz_sub_ui(x.v, m.v, static_cast<unsigned long>(off));
        check(x.v);
    }
    mpz_fdiv_q_2exp(x.v, m.v, 1);  // (m - 1) / 2
    check(x.v);
    mpz_add_ui(x.v, x.v, 1);  // (m + 1) / 2, the inverse of 2
    check(x.v);
    for (unsigned k = 1; k < 256; k += 7) {
        mpz_set_ui(x.v, 0);
        mpz_setbit(x.v, k);
        mpz_mod(x.v, x.v, m.v);
        check(x.v);
        mpz_sub_ui(x.v, x.v, 1);  // k ones, or 2^k - 1 mod m
        mpz_mod(x.v, x.v, m.v);
        if (mpz_sgn(x.v) != 0) check(x.v);
        mpz_sub(x.v, m.v, x.v);  // m - (2^k - 1): long runs copied from m
        mpz_mod(x.v, x.v, m.v);
        check(x.v);
    }
}

TEST_P(Inverse, RandomValuesAgreeWithGmp) {
    gmp_randstate_t st;
    gmp_randinit_mt(st);
    gmp_randseed_ui(st, std::hash<std::string>{}(GetParam()));
    Z x;
    for (int i = 0; i < 300; ++i) {
        // Uniform values, and values with few set bits (long zero runs in g).
        if (i % 3 == 2) {
            mpz_rrandomb(x.v, st, 256);
            mpz_mod(x.v, x.v, m.v);
        } else {
            mpz_urandomm(x.v, st, m.v);
        }
        check(x.v);
    }
    gmp_randclear(st);
}

INSTANTIATE_TEST_SUITE_P(Moduli, Inverse, ::testing::ValuesIn(moduli()));

}  // namespace
