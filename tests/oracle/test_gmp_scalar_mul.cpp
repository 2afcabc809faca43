// The three scalar multiplications (the fixed-base comb used for k*P and d*P, the general
// constant-time window method, the variable-time one used by verification) against a
// plain affine double-and-add written with GMP, on curves of each modulus shape: the test
// set (p = 2^255 + c), CryptoPro-A (p = 2^256 - c) and CryptoPro-C (no special form).
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include <gmp.h>
#include <gtest/gtest.h>

#include "common/bytes.h"
#include "gost3410/agreement.h"
#include "gost3410/base_table.h"
#include "gost3410/comb_select.h"
#include "gost3410/keys.h"
#include "gost3410/scalar_mul.h"
#include "random/generator.h"
#include "unit/hex.h"
#include "unit/param_sets.h"

using namespace vantix;

namespace {

// One curve per modulus shape.
const ParamSetHex* const kCurves[] = {&kTestSet, &kCryptoProA, &kCryptoProC};

struct Gmp {
    mpz_t p, a, x, y;
    Gmp() { mpz_inits(p, a, x, y, nullptr); }
    ~Gmp() { mpz_clears(p, a, x, y, nullptr); }
};

// k*G by affine double-and-add; false for the point at infinity.
bool reference_mul(const Gmp& c, const mpz_t k, mpz_t rx, mpz_t ry) {
    bool inf = true;
    mpz_t x, y, l, t, u;
    mpz_inits(x, y, l, t, u, nullptr);
    auto add = [&](const mpz_t x2, const mpz_t y2) {  // (x, y) += (x2, y2)
        if (inf) {
            mpz_set(x, x2), mpz_set(y, y2), inf = false;
            return;
        }
        if (mpz_cmp(x, x2) == 0) {
            mpz_add(t, y, y2);
            mpz_mod(t, t, c.p);
            if (mpz_sgn(t) == 0) {
                inf = true;
                return;
            }
            mpz_mul(l, x, x), mpz_mul_ui(l, l, 3), mpz_add(l, l, c.a);
            mpz_mul_ui(t, y, 2);
        } else {
            mpz_sub(l, y2, y), mpz_sub(t, x2, x);
        }
        mpz_mod(t, t, c.p), mpz_invert(t, t, c.p), mpz_mul(l, l, t), mpz_mod(l, l, c.p);
        mpz_mul(u, l, l), mpz_sub(u, u, x), mpz_sub(u, u, x2), mpz_mod(u, u, c.p);
        mpz_sub(t, x, u), mpz_mul(t, t, l), mpz_sub(t, t, y), mpz_mod(y, t, c.p);
        mpz_set(x, u);
    };
    mpz_t gx, gy;
    mpz_init_set(gx, c.x);
    mpz_init_set(gy, c.y);
    for (long i = long(mpz_sizeinbase(k, 2)) - 1; i >= 0 && mpz_sgn(k) != 0; --i) {
        if (!inf) {
            mpz_t cx, cy;
            mpz_init_set(cx, x), mpz_init_set(cy, y);
            add(cx, cy);
            mpz_clears(cx, cy, nullptr);
        }
        if (mpz_tstbit(k, mp_bitcnt_t(i))) add(gx, gy);
    }
    mpz_set(rx, x), mpz_set(ry, y);
    mpz_clears(x, y, l, t, u, gx, gy, nullptr);
    return !inf;
}

struct ScalarMulOracle : ::testing::TestWithParam<int> {
    RND_State rnd{};
    SignContext ctx{};
    Curve c{};
    Gmp g;
    JPoint base{};
    APoint base_affine{};
    const BaseTable* table = nullptr;

    void SetUp() override {
        const ParamSetHex& h = *kCurves[GetParam()];
        uint8_t seed[64] = {9};
        rnd_seed(&rnd, seed);
        ASSERT_EQ(load_param_set(&ctx, &rnd, h), 0);
        curve_load(&c, &ctx);
        sign_base_point(c, &ctx, &base, &base_affine);
        table = base_table_get(c, base_affine);
        ASSERT_NE(table, nullptr);
        mpz_set_str(g.p, h.p, 16), mpz_set_str(g.a, h.a, 16), mpz_set_str(g.x, h.x, 16), mpz_set_str(g.y, h.y, 16);
    }

    // The affine plain coordinates of a Jacobian result as hex ("inf" for infinity).
    std::string ours(const JPoint& r) {
        APoint a;
        if (!jpoint_to_affine_public(c, r, &a)) return "inf";
        curve_to_plain(c, a.x, a.x);
        curve_to_plain(c, a.y, a.y);
        uint32_t w[8];
        uint8_t bytes[64];
        limbs_to_words(w, a.x);
        for (int i = 0; i < 8; ++i) store_be(bytes + 4 * i, w[i]);
        limbs_to_words(w, a.y);
        for (int i = 0; i < 8; ++i) store_be(bytes + 32 + 4 * i, w[i]);
        return hex(bytes, 64);
    }
    static void store_be(uint8_t* p, uint32_t v) {
        p[0] = uint8_t(v >> 24), p[1] = uint8_t(v >> 16), p[2] = uint8_t(v >> 8), p[3] = uint8_t(v);
    }
    std::string reference(const uint64_t* k) {
        mpz_t kk, rx, ry;
        mpz_inits(kk, rx, ry, nullptr);
        mpz_import(kk, 4, -1, 8, 0, 0, k);
        const bool finite = reference_mul(g, kk, rx, ry);
        std::string out = "inf";
        if (finite) {
            uint8_t bytes[64] = {};
            size_t n = 0;
            mpz_export(bytes + 32 - (mpz_sizeinbase(rx, 256)), &n, 1, 1, 1, 0, rx);
            mpz_export(bytes + 64 - (mpz_sizeinbase(ry, 256)), &n, 1, 1, 1, 0, ry);
            if (mpz_sgn(rx) == 0) std::memset(bytes, 0, 32);
            out = hex(bytes, 64);
        }
        mpz_clears(kk, rx, ry, nullptr);
        return out;
    }
};

std::vector<std::vector<uint64_t>> edge_scalars(const uint64_t* q) {
    std::vector<std::vector<uint64_t>> out;
    auto add = [&](std::vector<uint64_t> v) { out.push_back(v); };
    add({0, 0, 0, 0});
    add({1, 0, 0, 0});
    add({2, 0, 0, 0});
    add({16, 0, 0, 0});
    add({33, 0, 0, 0});
    add({q[0] - 1, q[1], q[2], q[3]});  // q - 1
    add({q[0], q[1], q[2], q[3]});      // q
    add({q[0] + 1, q[1], q[2], q[3]});  // q + 1 (a key above q acts as its residue)
    add({~0ull, ~0ull, ~0ull, ~0ull});  // all ones
    for (int bit : {5, 6, 63, 64, 127, 200, 251, 252, 255}) {
        std::vector<uint64_t> v(4, 0);
        v[size_t(bit / 64)] = 1ull << (bit % 64);
        add(v);
    }
    add({1, 0, 0, 1ull << 63});                              // long run of zeros between two bits
    add({0, 0, 0xFFFFFFFF00000000ull, 0});                   // ones in the middle only
    add({0xFFFFFFFFFFFFFFE0ull, ~0ull, ~0ull, ~0ull >> 1});  // the recoding's carry at the top
    return out;
}

}  // namespace

TEST_P(ScalarMulOracle, EdgeAndRandomScalarsAgreeWithAffineDoubleAndAdd) {
    auto scalars = edge_scalars(c.q.m);
    std::mt19937_64 rng(uint64_t(GetParam()) + 17);
    for (int i = 0; i < 40; ++i) scalars.push_back({rng(), rng(), rng(), rng()});
    for (size_t n = 0; n < scalars.size(); ++n) {
        const uint64_t* k = scalars[n].data();
        const std::string expect = reference(k);
        JPoint r;
        for (CombSelect form : {CombSelect::Sse2, CombSelect::Avx2}) {
            if (form == CombSelect::Avx2 && !cpu_has_avx2()) continue;
            comb_select_force(form);
            mul_base_ct(c, *table, k, &r);
            EXPECT_EQ(ours(r), expect) << "comb, entry choice " << int(form) << ", scalar " << n;
        }
        comb_select_force(CombSelect::Auto);
        mul_ct(c, base, k, &r);
        EXPECT_EQ(ours(r), expect) << "window, scalar " << n;
        mul_vartime(c, base, k, &r);
        EXPECT_EQ(ours(r), expect) << "variable time, scalar " << n;
    }
}

TEST_P(ScalarMulOracle, JointMultiplicationOfVerification) {
    std::mt19937_64 rng(uint64_t(GetParam()) + 99);
    uint64_t d[4] = {rng(), rng(), rng(), rng() >> 2};
    JPoint q;
    mul_ct(c, base, d, &q);
    for (int i = 0; i < 10; ++i) {
        uint64_t u1[4] = {rng(), rng(), rng(), rng() >> 2}, u2[4] = {rng(), rng(), rng(), rng() >> 2};
        if (i == 0) std::memset(u1, 0, sizeof u1);
        if (i == 1) std::memset(u2, 0, sizeof u2);
        JPoint joint, a, b;
        mul2_vartime(c, table, base, q, u1, u2, &joint);
        mul2_vartime(c, nullptr, base, q, u1, u2, &a);
        EXPECT_EQ(ours(joint), ours(a));
        mul_ct(c, base, u1, &a);
        mul_ct(c, q, u2, &b);
        // a + b through the window method: 1*a + 1*b
        const uint64_t one[4] = {1, 0, 0, 0};
        JPoint sum;
        mul2_vartime(c, nullptr, a, b, one, one, &sum);
        EXPECT_EQ(ours(joint), ours(sum)) << i;
    }
}

// VKO: with the base point as the peer's key the shared point is (m*d mod q)*G, which the
// GMP double-and-add gives from m*d mod q; keys and multipliers at and above q included.
TEST_P(ScalarMulOracle, KeyAgreementIsTheProductOfMultiplierAndKeyTimesThePeerKey) {
    std::mt19937_64 rng(uint64_t(GetParam()) + 5);
    const uint64_t* q = c.q.m;
    const std::vector<std::vector<uint64_t>> keys = {
        {rng(), rng(), rng(), rng()}, {1, 0, 0, 0}, {q[0] - 1, q[1], q[2], q[3]}, {q[0] + 1, q[1], q[2], q[3]}};
    const std::vector<std::vector<uint64_t>> multipliers = {{1, 0, 0, 0},
                                                            {0x0807060504030201ull, 0, 0, 0},
                                                            {rng(), rng(), rng(), rng()},
                                                            {q[0] - 1, q[1], q[2], q[3]},
                                                            {q[0] + 2, q[1], q[2], q[3]}};
    const LPoint peer = native_point(param_set_point(*kCurves[GetParam()]));
    mpz_t qq, dd, mm, prod;
    mpz_inits(qq, dd, mm, prod, nullptr);
    mpz_import(qq, 4, -1, 8, 0, 0, q);
    for (size_t i = 0; i < keys.size(); ++i) {
        for (size_t j = 0; j < multipliers.size(); ++j) {
            SignContext k{};
            ASSERT_EQ(load_param_set(&k, &rnd, *kCurves[GetParam()]), 0);
            uint32_t w[8];
            uint8_t masked[64] = {}, m[32], shared[64];
            limbs_to_words(w, keys[i].data());
            words_to_be(masked, w, 8);
            limbs_to_words(w, multipliers[j].data());
            words_to_be(m, w, 8);
            ASSERT_EQ(sign_set_secret_key(&k, masked), 0);
            ASSERT_EQ(sign_agree(&k, &peer, m, shared), 0) << i << "," << j;
            mpz_import(dd, 4, -1, 8, 0, 0, keys[i].data());
            mpz_import(mm, 4, -1, 8, 0, 0, multipliers[j].data());
            mpz_mul(prod, dd, mm);
            mpz_mod(prod, prod, qq);
            uint64_t t[4] = {};
            mpz_export(t, nullptr, -1, 8, 0, 0, prod);
            EXPECT_EQ(hex(shared, 64), reference(t)) << "key " << i << ", multiplier " << j;
        }
    }
    mpz_clears(qq, dd, mm, prod, nullptr);
}

INSTANTIATE_TEST_SUITE_P(Curves, ScalarMulOracle, ::testing::Values(0, 1, 2));
