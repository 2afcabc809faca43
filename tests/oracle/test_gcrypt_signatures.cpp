// GOST R 34.10-2001 signatures both ways with libgcrypt, on the test parameter set and on
// id-GostR3410-2001-CryptoPro-A, -B and -C parameter sets (XchA and XchB reuse the A and C
// curves).
//
// How the digest becomes e: this library reads the 32 digest bytes as a big-endian
// integer; libgcrypt reads the `value` of `(data (flags gost) ...)` as a big-endian MPI.
// Both then reduce e modulo q and replace 0 by 1, so the same 32 bytes give the same e.
#include <cstring>
#include <random>
#include <string>

#include <gcrypt.h>
#include <gtest/gtest.h>

#include "gost3410/keys.h"
#include "gost3410/params.h"
#include "gost3410/sign.h"
#include "random/generator.h"
#include "unit/hex.h"
#include "unit/param_sets.h"

using namespace vantix;

namespace {

struct Curve {
    const ParamSetHex* set;
    bool builtin;  // loaded as the built-in set rather than by its values
};

const Curve kCurves[] = {{&kTestSet, true}, {&kCryptoProA, false}, {&kCryptoProB, false}, {&kCryptoProC, false}};

struct Sexp {
    gcry_sexp_t s = nullptr;
    ~Sexp() { gcry_sexp_release(s); }
};

std::string mpi_hex(gcry_sexp_t sig, const char* name) {
    gcry_sexp_t part = gcry_sexp_find_token(sig, name, 0);
    gcry_mpi_t m = gcry_sexp_nth_mpi(part, 1, GCRYMPI_FMT_USG);
    unsigned char buf[32] = {};
    size_t n = 0;
    unsigned char tmp[64];
    gcry_mpi_print(GCRYMPI_FMT_USG, tmp, sizeof tmp, &n, m);
    std::memcpy(buf + (32 - n), tmp, n);
    gcry_mpi_release(m);
    gcry_sexp_release(part);
    return hex(buf, 32);
}

}  // namespace

TEST(GcryptInterop, SignaturesVerifyBothWays) {
    ASSERT_NE(gcry_check_version(nullptr), nullptr);
    gcry_control(GCRYCTL_INITIALIZATION_FINISHED, 0);
    std::mt19937 rng(2001);
    RND_State rnd{};
    uint8_t seed[64];
    for (auto& b : seed) b = uint8_t(rng());
    rnd_seed(&rnd, seed);
    for (const auto& c : kCurves) {
        for (int trial = 0; trial < 12; ++trial) {
            SignContext ctx{};
            if (c.builtin) {
                ASSERT_EQ(sign_set_parms(&ctx, &rnd, nullptr, 32, nullptr, 32, nullptr, nullptr, nullptr), 0);
            } else {
                ASSERT_EQ(load_param_set(&ctx, &rnd, *c.set), 0);
            }
            ASSERT_EQ(sign_gen_secret_key(&ctx), 0);
            ASSERT_EQ(sign_gen_public_key(&ctx), 0);
            uint8_t masked[64];
            ASSERT_EQ(sign_get_secret_key(&ctx, masked, nullptr), 0);
            uint8_t d[32];
            for (int i = 0; i < 32; ++i) d[i] = masked[i] ^ masked[32 + i];
            LPoint native{};
            ASSERT_EQ(sign_get_public_key(&ctx, &native, nullptr), 0);
            const LPoint pub = record_point(native);
            const std::string qhex = "04" + hex(reinterpret_cast<const uint8_t*>(pub.x), 32) +
                                     hex(reinterpret_cast<const uint8_t*>(pub.y), 32);
            uint8_t digest[32];
            for (auto& b : digest) b = uint8_t(rng());
            Sexp sk, pk, data;
            ASSERT_EQ(gcry_sexp_build(&sk.s, nullptr,
                                      ("(private-key (ecc (curve " + std::string(c.set->name) + ") (q #" + qhex +
                                       "#) (d #" + hex(d, 32) + "#)))")
                                          .c_str()),
                      0u);
            ASSERT_EQ(gcry_sexp_build(
                          &pk.s, nullptr,
                          ("(public-key (ecc (curve " + std::string(c.set->name) + ") (q #" + qhex + "#)))").c_str()),
                      0u);
            ASSERT_EQ(
                gcry_sexp_build(&data.s, nullptr, ("(data (flags gost) (value #" + hex(digest, 32) + "#))").c_str()),
                0u);
            // Ours, verified by libgcrypt.
            uint8_t sig[64];
            ASSERT_EQ(sign_digest(&ctx, digest, sig), 0);
            Sexp ours;
            ASSERT_EQ(gcry_sexp_build(
                          &ours.s, nullptr,
                          ("(sig-val (gost (r #" + hex(sig, 32) + "#) (s #" + hex(sig + 32, 32) + "#)))").c_str()),
                      0u);
            EXPECT_EQ(gcry_pk_verify(ours.s, data.s, pk.s), 0u) << c.set->name << " trial " << trial;
            // libgcrypt's, verified here.
            Sexp theirs;
            ASSERT_EQ(gcry_pk_sign(&theirs.s, data.s, sk.s), 0u);
            const auto their_sig = unhex(mpi_hex(theirs.s, "r") + mpi_hex(theirs.s, "s"));
            EXPECT_EQ(sign_verify(&ctx, digest, their_sig.data()), 0) << c.set->name << " trial " << trial;
            EXPECT_EQ(sign_clear(&ctx), RC_OK);
        }
    }
}
