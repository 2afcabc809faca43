// The signature context and the point records as the library computes them on 64-bit limbs,
// against the word model computing them on 32-bit words with its own Montgomery
// arithmetic: every derived field of the context, the working base point and the points
// handed back, byte for byte, on every parameter set.
#include <cstddef>
#include <cstring>
#include <string>
#include <utility>

#include <gtest/gtest.h>

#include "common/bytes.h"
#include "gost3410/keys.h"
#include "gost3410/params.h"
#include "oracle/word_model.h"
#include "random/generator.h"
#include "unit/param_sets.h"

using namespace vantix;

namespace {

constexpr int N = SIGN_WORDS;

// A record between Java's big-endian words and native ones (X, Y and, on the way in, Z).
void swap_record(LPoint* p, bool with_z) {
    for (int i = 0; i < N; ++i) {
        p->x[i] = byte_swap(p->x[i]);
        p->y[i] = byte_swap(p->y[i]);
        if (with_z) p->z[i] = byte_swap(p->z[i]);
    }
}

// The parameter fields of a context as set_parms derives them, on words.
void model_parms(SignContext* ctx, const ParamSetHex& s) {
    using namespace model;
    const auto p = unhex(s.p), q = unhex(s.q), a = unhex(s.a), b = unhex(s.b);
    const LPoint point = param_set_point(s);
    ctx->p_length = 32;
    ctx->q_length = 32;
    words_from_be(ctx->p, p.data(), N);
    words_from_be(ctx->q, q.data(), N);
    ctx->p[N] = mont_neg_inv32(ctx->p[N - 1]);
    ctx->q[N] = mont_neg_inv32(ctx->q[N - 1]);
    words_from_be(ctx->a_mont, a.data(), N);
    words_from_be(ctx->b_mont, b.data(), N);
    lnum_mul_r_mod(ctx->r2_p, lnum_one(N), ctx->p, N);
    lnum_mul_r_mod(ctx->r2_p, ctx->r2_p, ctx->p, N);
    lnum_mul_r_mod(ctx->r2_q, lnum_one(N), ctx->q, N);
    lnum_mul_r_mod(ctx->r2_q, ctx->r2_q, ctx->q, N);
    mont_mul(ctx->a_mont, ctx->r2_p, ctx->p, N);
    mont_mul(ctx->b_mont, ctx->r2_p, ctx->p, N);
    std::memcpy(ctx->base_copy, &point, LPOINT_BYTES);
    std::memcpy(ctx->q_wide, ctx->q, sizeof ctx->q);
    lnum_mul_r_mod(ctx->r_p, lnum_one(N), ctx->p, N);
    lnum_mul_r_mod(ctx->r_q, lnum_one(N), ctx->q, N);
    lnum_mul_r_mod(ctx->r_pq, lnum_one(N), ctx->q_wide, N);
    LPoint base = point;
    swap_record(&base, true);
    to_projective(ctx, &base);
    to_mont(ctx, &base);
    std::memcpy(ctx->base, &base, LPOINT_BYTES);
    uint32_t t[N], two[N] = {};
    two[N - 1] = 2;
    std::memcpy(t, ctx->p, sizeof t);
    lnum_sub(N, t, two);  // p - 2: one half is 2^(p-2)
    std::memcpy(ctx->half, two, sizeof two);
    mont_mul(ctx->half, ctx->r2_p, ctx->p, N);
    mont_pow(ctx->half, t, ctx->half, 0, ctx->p, N);
}

// A working-form point as the get operations hand it out, on words.
LPoint model_out(const SignContext* ctx, const uint8_t* slot) {
    LPoint pt;
    std::memcpy(&pt, slot, LPOINT_BYTES);
    model::to_affine(ctx, &pt);
    model::from_mont(ctx, &pt);
    swap_record(&pt, false);
    return pt;
}

const ParamSetHex* const kAllSets[] = {&kTestSet, &kCryptoProA, &kCryptoProB, &kCryptoProC};

struct WordModel : ::testing::TestWithParam<const ParamSetHex*> {
    RND_State rnd{};
    SignContext ctx{};
    void SetUp() override {
        uint8_t seed[64] = {9};
        rnd_seed(&rnd, seed);
        ASSERT_EQ(load_param_set(&ctx, &rnd, *GetParam()), 0);
    }
};

}  // namespace

TEST_P(WordModel, SetParmsDerivesEveryFieldAsTheModel) {
    SignContext expect{};
    model_parms(&expect, *GetParam());
    const auto* got = reinterpret_cast<const uint8_t*>(&ctx);
    const auto* want = reinterpret_cast<const uint8_t*>(&expect);
    const size_t lengths = offsetof(SignContext, p_length), numbers = offsetof(SignContext, a_mont);
    EXPECT_EQ(0, std::memcmp(got + lengths, want + lengths, offsetof(SignContext, rnd) - lengths));
    EXPECT_EQ(0, std::memcmp(got + numbers, want + numbers, offsetof(SignContext, secret) - numbers));
    EXPECT_EQ(0, std::memcmp(ctx.base_copy, expect.base_copy, sizeof ctx.base_copy));
    EXPECT_EQ(0, std::memcmp(ctx.base, expect.base, sizeof ctx.base));
    if (GetParam() == &kTestSet) {  // and the built-in image is the same context
        const SignContext& image = sign_builtin_image();
        const auto* built_in = reinterpret_cast<const uint8_t*>(&image);
        EXPECT_EQ(0, std::memcmp(built_in + numbers, want + numbers, offsetof(SignContext, secret) - numbers));
        EXPECT_EQ(0, std::memcmp(image.base, expect.base, sizeof image.base));
    }
}

TEST_P(WordModel, PointsAndCoefficientsComeBackAsTheModelGivesThem) {
    // The base point and the coefficients.
    uint8_t a[32], b[32];
    LPoint g{};
    ASSERT_EQ(sign_get_parms(&ctx, nullptr, nullptr, nullptr, nullptr, a, b, &g), 0);
    g = record_point(g);
    const LPoint base = model_out(&ctx, ctx.base);
    EXPECT_EQ(0, std::memcmp(&g, &base, LPOINT_BYTES));
    for (auto [slot, out] : {std::pair{ctx.a_mont, a}, std::pair{ctx.b_mont, b}}) {
        uint32_t w[N];
        uint8_t be[32];
        std::memcpy(w, slot, sizeof w);
        model::mont_mul(w, model::lnum_one(N), ctx.p, N);
        words_to_be(be, w, N);
        EXPECT_EQ(hex(out, 32), hex(be, 32));
    }
    // Generated public keys (Z not one), and the keys of d = 0 and d = q (infinity).
    for (int i = 0; i < 5; ++i) {
        SignContext k = ctx;
        if (i < 3) {
            ASSERT_EQ(sign_gen_secret_key(&k), 0);
        } else {
            uint8_t masked[64] = {};
            if (i == 4) words_to_be(masked, ctx.q, N);
            ASSERT_EQ(sign_set_secret_key(&k, masked), 0);
        }
        ASSERT_EQ(sign_gen_public_key(&k), 0);
        LPoint out{};
        ASSERT_EQ(sign_get_public_key(&k, &out, nullptr), 0);
        out = record_point(out);
        const LPoint expect = model_out(&k, k.public_key);
        EXPECT_EQ(0, std::memcmp(&out, &expect, LPOINT_BYTES)) << i;
        // Loaded back, also with X + p in place of X where that fits in 256 bits (an
        // unreduced coordinate: reduced on the way in).
        if (i >= 3) continue;
        for (bool unreduced : {false, true}) {
            LPoint in = out;
            in.flags = 0x1234;  // ignored
            swap_record(&in, false);
            if (unreduced && model::lnum_add(N, in.x, ctx.p) != 0) continue;
            LPoint record = in;
            swap_record(&record, false);
            SignContext l = ctx;
            const LPoint given = native_point(record);
            ASSERT_EQ(sign_set_public_key(&l, &given), 0);
            LPoint working = in;
            working.flags = 0;
            model::to_projective(&l, &working);
            model::to_mont(&l, &working);
            EXPECT_EQ(0, std::memcmp(l.public_key, &working, LPOINT_BYTES)) << i << unreduced;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Sets, WordModel, ::testing::ValuesIn(kAllSets), [](const auto& param_info) {
    std::string name = param_info.param->name;
    for (char& c : name)
        if (c == '-') c = '_';
    return name;
});
