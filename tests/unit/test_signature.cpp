// GOST R 34.10-2001: the standard's worked example, sign/verify, refusals and key states.
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "common/bytes.h"
#include "common/result.h"
#include "gost3410/agreement.h"
#include "gost3410/curve.h"
#include "gost3410/keys.h"
#include "gost3410/params.h"
#include "gost3410/sign.h"
#include "jni/java_forms.h"
#include "random/generator.h"
#include "random/time_sources.h"
#include "unit/hex.h"
#include "unit/param_sets.h"

using namespace vantix;

namespace {

// GOST R 34.10-2001, appendix A.1.
const char* kD = "7a929ade789bb9be10ed359dd39a72c11b60961f49397eee1d19ce9891ec3b28";
const char* kQx = "7f2b49e270db6d90d8595bec458b50c58585ba1d4e9b788f6689dbd8e56fd80b";
const char* kQy = "26f1b489d6701dd185c8413a977b3cbbaf64d1c593d26627dffb101a87ff77da";
const char* kE = "2dfbc1b372d89a1188c09c52e0eec61fce52032ab1022e8e67ece6672b043ee5";
const char* kR = "41aa28d2f1ab148280cd9ed56feda41974053554a42767b83ad043fd39dc0493";
const char* kS = "01456c64ba4642a1653c235a98a60249bcd6d3f746b631df928014f6c5bf9c40";
const char* kQ = "8000000000000000000000000000000150fe8a1892976154c59cfc193accf5b3";

struct SignFixture : ::testing::Test {
    RND_State rnd{};
    SignContext ctx{};
    void SetUp() override {
        uint8_t seed[64];
        for (int i = 0; i < 64; ++i) seed[i] = uint8_t(i + 1);
        rnd_seed(&rnd, seed);
        ASSERT_EQ(sign_set_parms(&ctx, &rnd, nullptr, 32, nullptr, 32, nullptr, nullptr, nullptr), 0);
    }
    void load_example_secret() {
        auto k = unhex(kD);
        k.resize(64, 0);
        ASSERT_EQ(sign_set_secret_key(&ctx, k.data()), 0);
    }
    // A point from its big-endian X and Y, in the operations' native words.
    LPoint external_point(const char* x, const char* y) {
        LPoint p{};
        auto bx = unhex(x), by = unhex(y);
        std::memcpy(p.x, bx.data(), 32);
        std::memcpy(p.y, by.data(), 32);
        LPoint native{};
        jni::point_from_java(&native, &p);
        return native;
    }
    std::string point_hex(const LPoint& native) {
        LPoint p{};
        jni::point_to_java(&p, &native);
        return hex(reinterpret_cast<const uint8_t*>(p.x), 32) + hex(reinterpret_cast<const uint8_t*>(p.y), 32);
    }
};

}  // namespace

TEST_F(SignFixture, ExampleSecretKeyGivesExamplePublicKey) {
    load_example_secret();
    ASSERT_EQ(sign_gen_public_key(&ctx), 0);
    LPoint q{};
    ASSERT_EQ(sign_get_public_key(&ctx, &q, nullptr), 0);
    EXPECT_EQ(point_hex(q), std::string(kQx) + kQy);
    EXPECT_EQ(q.flags, 0);
}

TEST_F(SignFixture, ExampleSignatureVerifiesAndEveryByteChangeIsRejected) {
    LPoint q = external_point(kQx, kQy);
    ASSERT_EQ(sign_set_public_key(&ctx, &q), 0);
    const auto e = unhex(kE);
    auto sig = unhex(std::string(kR) + kS);
    ASSERT_EQ(sign_verify(&ctx, e.data(), sig.data()), 0);
    for (size_t i = 0; i < 64; ++i) {
        auto bad = sig;
        bad[i] ^= 0x01;
        const int r = sign_verify(&ctx, e.data(), bad.data());
        EXPECT_TRUE(r == RC_BAD_SIGNATURE || (r >= RC_R_ZERO && r <= RC_S_RANGE)) << i << " gave " << r;
        EXPECT_NE(r, 0) << i;
    }
}

TEST_F(SignFixture, SignThenVerifyTwiceGivesDistinctValidSignatures) {
    ASSERT_EQ(sign_gen_secret_key(&ctx), 0);
    ASSERT_EQ(sign_gen_public_key(&ctx), 0);
    const auto q = unhex(kQ);
    std::vector<std::vector<uint8_t>> digests = {unhex(kE), std::vector<uint8_t>(32, 0), q};
    for (const auto& d : digests) {  // includes e = 0 and e = q (both become 1)
        uint8_t s1[64], s2[64];
        ASSERT_EQ(sign_digest(&ctx, d.data(), s1), 0);
        ASSERT_EQ(sign_digest(&ctx, d.data(), s2), 0);
        EXPECT_NE(hex(s1, 64), hex(s2, 64));
        EXPECT_EQ(sign_verify(&ctx, d.data(), s1), 0);
        EXPECT_EQ(sign_verify(&ctx, d.data(), s2), 0);
    }
}

TEST_F(SignFixture, VerificationRefusalsInTheirOrder) {
    LPoint q = external_point(kQx, kQy);
    ASSERT_EQ(sign_set_public_key(&ctx, &q), 0);
    const auto e = unhex(kE);
    const std::string qhex = kQ, one = std::string(63, '0') + "1", zero(64, '0');
    struct Case {
        std::string r, s;
        int code;
    } cases[] = {
        {zero, zero, RC_R_ZERO}, {zero, qhex, RC_R_ZERO}, {one, zero, RC_S_ZERO},
        {qhex, one, RC_R_RANGE}, {one, qhex, RC_S_RANGE}, {one, one, RC_BAD_SIGNATURE},
    };
    for (const auto& c : cases) {
        const auto sig = unhex(c.r + c.s);
        EXPECT_EQ(sign_verify(&ctx, e.data(), sig.data()), c.code) << c.r << " " << c.s;
    }
}

TEST_F(SignFixture, KeyStateCodesAndTamperDetection) {
    uint8_t sig[64], key[64];
    const auto e = unhex(kE);
    EXPECT_EQ(sign_digest(&ctx, e.data(), sig), RC_NO_KEY);
    EXPECT_EQ(sign_verify(&ctx, e.data(), sig), RC_NO_KEY);
    EXPECT_EQ(sign_gen_public_key(&ctx), RC_NO_KEY);
    EXPECT_EQ(sign_clear_secret_key(&ctx), RC_CHECKSUM);  // the zeros of a fresh load
    ASSERT_EQ(sign_gen_secret_key(&ctx), 0);
    EXPECT_EQ(sign_gen_secret_key(&ctx), RC_KEY_PRESENT);
    std::vector<uint8_t> other(64, 1);
    EXPECT_EQ(sign_set_secret_key(&ctx, other.data()), RC_KEY_PRESENT);
    ctx.secret[3] ^= 0x100;
    EXPECT_EQ(sign_gen_public_key(&ctx), RC_CHECKSUM);
    EXPECT_EQ(sign_get_secret_key(&ctx, key, nullptr), RC_CHECKSUM);
    EXPECT_EQ(sign_digest(&ctx, e.data(), sig), RC_CHECKSUM);
    ctx.secret[3] ^= 0x100;
    EXPECT_EQ(sign_clear_secret_key(&ctx), 0);
    EXPECT_EQ(sign_clear_secret_key(&ctx), RC_CHECKSUM);
    SignContext empty{};
    EXPECT_EQ(sign_gen_secret_key(&empty), RC_NOT_INITIALISED);
    EXPECT_EQ(sign_get_parms(&empty, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr), 2);
}

TEST_F(SignFixture, GetSecretKeyReturnsTheKeyUnderFreshMasks) {
    load_example_secret();
    uint8_t a[64], b[64];
    ASSERT_EQ(sign_get_secret_key(&ctx, a, nullptr), 0);
    ASSERT_EQ(sign_get_secret_key(&ctx, b, nullptr), 0);
    EXPECT_NE(hex(a, 64), hex(b, 64));
    for (int i = 0; i < 32; ++i) {
        EXPECT_EQ(a[i] ^ a[32 + i], b[i] ^ b[32 + i]);
        EXPECT_EQ(uint8_t(a[i] ^ a[32 + i]), unhex(kD)[size_t(i)]);
    }
}

TEST_F(SignFixture, ExplicitTestSetEqualsBuiltInAndRoundTrips) {
    uint8_t p[32], q[32], a[32], b[32];
    LPoint g{};
    ASSERT_EQ(sign_get_parms(&ctx, p, nullptr, q, nullptr, a, b, &g), 0);
    SignContext other{};
    ASSERT_EQ(sign_set_parms(&other, &rnd, p, 32, q, 32, a, b, &g), 0);
    EXPECT_EQ(0, std::memcmp(&ctx, &other, offsetof(SignContext, base_copy)));
    EXPECT_EQ(0, std::memcmp(ctx.base, other.base, sizeof ctx.base));
    EXPECT_EQ(hex(q, 32), kQ);
    EXPECT_EQ(hex(a, 32), std::string(63, '0') + "7");
    EXPECT_EQ(sign_set_parms(&other, &rnd, p, 32, q, 32, a, b, &g), RC_ALREADY_INITIALISED);
    // Even or small moduli are refused.
    SignContext bad{};
    uint8_t even[32];
    std::memcpy(even, p, 32);
    even[31] ^= 1;
    EXPECT_EQ(sign_set_parms(&bad, &rnd, even, 32, q, 32, a, b, &g), RC_MISSING);
    uint8_t small[32] = {};
    small[31] = 0x35;
    EXPECT_EQ(sign_set_parms(&bad, &rnd, p, 32, small, 32, a, b, &g), RC_MISSING);
    EXPECT_EQ(sign_set_parms(&bad, &rnd, p, 32, q, 31, a, b, &g), RC_Q_LENGTH);
    RND_State unseeded{};
    EXPECT_EQ(sign_set_parms(&bad, &unseeded, p, 32, q, 32, a, b, &g), RC_MISSING);
    EXPECT_EQ(bad.flags, 0u);
}

TEST_F(SignFixture, SigningWithAnUnseededGeneratorIsRefused) {
    load_example_secret();
    rnd_seed(&rnd, nullptr);
    uint8_t sig[64] = {};
    EXPECT_EQ(sign_digest(&ctx, unhex(kE).data(), sig), RC_MISSING);
}

// Parameters whose base point is not a point of order q would make every signature fail
// (or, with k*P always at infinity, make signing loop for ever): they are refused.
TEST_F(SignFixture, ExplicitParametersWithAnUnusableBasePointAreRefused) {
    auto p = unhex("8000000000000000000000000000000000000000000000000000000000000431");
    auto q = unhex(kQ);
    auto a = unhex("0000000000000000000000000000000000000000000000000000000000000007");
    auto b = unhex("5fbff498aa938ce739b8e022fbafef40563f6e6a3472fc2a514c0ce9dae23b7e");
    auto q_wrong = q;
    q_wrong[31] = uint8_t(q_wrong[31] + 2);  // odd, above 2^254, but not the order of P
    const LPoint good = external_point("0000000000000000000000000000000000000000000000000000000000000002",
                                       "08e2a8a0e65147d4bd6316030e16d19c85c97f0a9ca267122b96abbcea7e8fc8");
    const LPoint zero{};
    const LPoint off_curve = external_point("0000000000000000000000000000000000000000000000000000000000000002",
                                            "0000000000000000000000000000000000000000000000000000000000000001");
    struct Case {
        const char* what;
        const LPoint* point;
        const std::vector<uint8_t>* q;
    } cases[] = {{"zero-filled point", &zero, &q},
                 {"point off the curve", &off_curve, &q},
                 {"q is not the order of P", &good, &q_wrong}};
    for (const Case& c : cases) {
        SignContext fresh{};
        ASSERT_EQ(sign_set_parms(&fresh, &rnd, p.data(), 32, c.q->data(), 32, a.data(), b.data(), c.point), 15)
            << c.what;
        EXPECT_EQ(fresh.flags, 0u) << c.what;
        EXPECT_EQ(fresh.magic, 0u) << c.what;  // refused before anything was written
    }
    SignContext ok{};
    EXPECT_EQ(sign_set_parms(&ok, &rnd, p.data(), 32, q.data(), 32, a.data(), b.data(), &good), 0);
}

TEST_F(SignFixture, PublicKeyOffTheCurveIsRefused) {
    const LPoint off = external_point("7f2b49e270db6d90d8595bec458b50c58585ba1d4e9b788f6689dbd8e56fd80b",
                                      "26f1b489d6701dd185c8413a977b3cbbaf64d1c593d26627dffb101a87ff77db");
    const SignContext before = ctx;
    EXPECT_EQ(sign_set_public_key(&ctx, &off), 15);
    EXPECT_EQ(0, std::memcmp(&before, &ctx, SIGN_CONTEXT_BYTES));
    const LPoint on = external_point(kQx, kQy);
    EXPECT_EQ(sign_set_public_key(&ctx, &on), 0);
}

// A context whose fields were rewritten so that no nonce is usable (here q = 1) must not
// hang the caller: signing gives up with 15 and writes nothing.
TEST_F(SignFixture, SigningGivesUpWhenNoNonceIsUsable) {
    load_example_secret();
    std::memset(ctx.q, 0, 32);
    ctx.q[7] = 1;
    uint8_t digest[32] = {1}, sig[64];
    std::memset(sig, 0xEE, sizeof sig);
    EXPECT_EQ(sign_digest(&ctx, digest, sig), 15);
    for (uint8_t v : sig) ASSERT_EQ(v, 0xEE);
}

// VKO: both sides reach the same point; the multiplier matters; the key is re-masked after
// use; every refusal, in its order, writes nothing and leaves the context as it was.
TEST_F(SignFixture, KeyAgreementIsSymmetricAndRemasksTheKey) {
    SignContext other{};
    ASSERT_EQ(sign_set_parms(&other, &rnd, nullptr, 32, nullptr, 32, nullptr, nullptr, nullptr), 0);
    ASSERT_EQ(sign_gen_secret_key(&ctx), 0);
    ASSERT_EQ(sign_gen_public_key(&ctx), 0);
    ASSERT_EQ(sign_gen_secret_key(&other), 0);
    ASSERT_EQ(sign_gen_public_key(&other), 0);
    LPoint pa{}, pb{};
    ASSERT_EQ(sign_get_public_key(&ctx, &pa, nullptr), 0);
    ASSERT_EQ(sign_get_public_key(&other, &pb, nullptr), 0);
    uint8_t m[32] = {}, ab[64], ba[64], ab2[64];
    m[31] = 0x88, m[24] = 1;
    const SignContext before = ctx;
    ASSERT_EQ(sign_agree(&ctx, &pb, m, ab), 0);
    ASSERT_EQ(sign_agree(&other, &pa, m, ba), 0);
    EXPECT_EQ(hex(ab, 64), hex(ba, 64));
    EXPECT_NE(0, std::memcmp(before.secret, ctx.secret, sizeof ctx.secret));  // a fresh mask
    EXPECT_TRUE(sign_key_intact(&ctx));
    m[0] = 1;
    ASSERT_EQ(sign_agree(&ctx, &pb, m, ab2), 0);
    EXPECT_NE(hex(ab, 64), hex(ab2, 64));
    m[0] = 0;
    ASSERT_EQ(sign_agree(&ctx, &pb, m, ab2), 0);
    EXPECT_EQ(hex(ab, 64), hex(ab2, 64));  // the same key under its new mask
}

TEST_F(SignFixture, KeyAgreementRefusalsInTheirOrder) {
    const LPoint peer = external_point(kQx, kQy);
    LPoint off = external_point(kQx, "26f1b489d6701dd185c8413a977b3cbbaf64d1c593d26627dffb101a87ff77db");
    LPoint big = peer;
    std::memset(big.x, 0xFF, 32);  // a coordinate not below p
    uint8_t m[32] = {}, zero[32] = {}, out[64];
    m[31] = 1;
    const auto q = unhex(kQ);
    SignContext empty{};
    EXPECT_EQ(sign_agree(nullptr, &peer, m, out), RC_MISSING);
    EXPECT_EQ(sign_agree(&ctx, nullptr, m, out), RC_MISSING);
    EXPECT_EQ(sign_agree(&ctx, &peer, nullptr, out), RC_MISSING);
    EXPECT_EQ(sign_agree(&ctx, &peer, m, nullptr), RC_MISSING);
    EXPECT_EQ(sign_agree(&empty, &peer, m, out), RC_NOT_INITIALISED);
    EXPECT_EQ(sign_agree(&ctx, &peer, m, out), RC_NO_KEY);
    load_example_secret();
    ctx.secret[0] ^= 1;
    EXPECT_EQ(sign_agree(&ctx, &peer, m, out), RC_CHECKSUM);
    ctx.secret[0] ^= 1;
    ctx.q_length = 64;
    EXPECT_EQ(sign_agree(&ctx, &peer, m, out), RC_CHECKSUM);
    ctx.q_length = 32;
    struct Case {
        const char* what;
        const LPoint* peer;
        const uint8_t* m;
    } cases[] = {{"peer off the curve", &off, m},
                 {"coordinate not below p", &big, m},
                 {"m = 0", &peer, zero},
                 {"m = q", &peer, q.data()}};
    for (const Case& c : cases) {
        std::memset(out, 0xEE, sizeof out);
        const SignContext before = ctx;
        EXPECT_EQ(sign_agree(&ctx, c.peer, c.m, out), RC_MISSING) << c.what;
        EXPECT_EQ(0, std::memcmp(&before, &ctx, SIGN_CONTEXT_BYTES)) << c.what;
        for (uint8_t v : out) ASSERT_EQ(v, 0xEE) << c.what;
    }
    // A key that is 0 mod q gives the point at infinity for every peer.
    SignContext zero_key{};
    ASSERT_EQ(sign_set_parms(&zero_key, &rnd, nullptr, 32, nullptr, 32, nullptr, nullptr, nullptr), 0);
    std::vector<uint8_t> k = q;
    k.resize(64, 0);
    ASSERT_EQ(sign_set_secret_key(&zero_key, k.data()), 0);
    EXPECT_EQ(sign_agree(&zero_key, &peer, m, out), RC_MISSING);
    RND_State unseeded{};
    ctx.rnd = &unseeded;
    EXPECT_EQ(sign_agree(&ctx, &peer, m, out), RC_MISSING);
    ctx.rnd = &rnd;
    EXPECT_EQ(sign_agree(&ctx, &peer, m, out), 0);
}

// Every field path gives the same bytes: the public-key record as stored (a Jacobian
// representative in Montgomery form, not only the affine point), signatures made with the
// same generator state and fixed time sources, and the agreed point, on curves of every
// modulus shape.
TEST(SignaturePaths, EveryFieldPathGivesTheSameBytes) {
    TestTimeHooks& hooks = test_time_hooks();
    const TestTimeHooks saved = hooks;
    hooks.fixed_time = true;
    hooks.cycle = 0x1234567;
    hooks.ms = 99;
    hooks.fixed_entropy = true;
    const ParamSetHex* const sets[] = {&kTestSet, &kCryptoProA, &kCryptoProB, &kCryptoProC};
    const FieldPath paths[] = {FieldPath::PortableMontgomery, FieldPath::Montgomery, FieldPath::Portable,
                               FieldPath::Auto};
    for (const ParamSetHex* set : sets) {
        std::string first;
        for (FieldPath path : paths) {
            field_path_force(path);
            RND_State rnd{};
            uint8_t seed[64];
            for (int i = 0; i < 64; ++i) seed[i] = uint8_t(5 * i + 2);
            rnd_seed(&rnd, seed);
            SignContext ctx{};
            ASSERT_EQ(load_param_set(&ctx, &rnd, *set), 0);
            auto k = unhex(kD);
            k.resize(64, 0x3C);  // a mask half: the key is kD XOR 0x3C...
            ASSERT_EQ(sign_set_secret_key(&ctx, k.data()), 0);
            ASSERT_EQ(sign_gen_public_key(&ctx), 0);
            std::string got = hex(ctx.public_key, sizeof ctx.public_key);
            uint8_t digest[32], sig[64], shared[64], m[32] = {};
            for (int n = 0; n < 3; ++n) {
                for (int i = 0; i < 32; ++i) digest[i] = uint8_t(n * 77 + i);
                ASSERT_EQ(sign_digest(&ctx, digest, sig), 0);
                EXPECT_EQ(sign_verify(&ctx, digest, sig), 0) << set->name << " path " << int(path);
                got.append(" ").append(hex(sig, 64));
            }
            LPoint peer{};
            ASSERT_EQ(sign_get_public_key(&ctx, &peer, nullptr), 0);
            m[31] = 7;
            ASSERT_EQ(sign_agree(&ctx, &peer, m, shared), 0);
            got.append(" ").append(hex(shared, 64));
            if (first.empty())
                first = got;
            else
                EXPECT_EQ(got, first) << set->name << " path " << int(path);
        }
    }
    field_path_force(FieldPath::Auto);
    hooks = saved;
}
