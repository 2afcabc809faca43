// Constant-time check of key generation, signing and key agreement (VKO), run under
// valgrind's memcheck.
//
// The secret key is marked undefined (both masked halves: their XOR is d) and the library
// marks every nonce k undefined as soon as it is drawn. memcheck then reports any branch
// or memory address that depends on them; the only way back to defined data is the
// library's declassification of one-bit outcomes, of the published r, s and public key
// and of the agreed point handed to the caller. Run as `valgrind --error-exitcode=1 vantix_ct_signature`: any report
// fails it. Outside valgrind the marks do nothing and the program only checks its results.
#include <cstdio>
#include <cstring>

#include <valgrind/memcheck.h>

#include "gost3410/agreement.h"
#include "gost3410/comb_select.h"
#include "gost3410/curve.h"
#include "gost3410/keys.h"
#include "gost3410/params.h"
#include "gost3410/scalar_mul.h"
#include "gost3410/sign.h"
#include "random/generator.h"
#include "unit/param_sets.h"

using namespace vantix;

namespace {

// Each set loaded with explicit values, and the test set also as the built-in one.
struct Set {
    const char* name;
    const ParamSetHex* hex;  // null: the built-in test set
};
const Set kSets[] = {{"test (built-in)", nullptr},
                     {"CryptoPro-A", &kCryptoProA},
                     {"CryptoPro-B", &kCryptoProB},
                     {"CryptoPro-C", &kCryptoProC}};

int load(SignContext* ctx, RND_State* rnd, const Set& s) {
    if (s.hex == nullptr) return sign_set_parms(ctx, rnd, nullptr, 32, nullptr, 32, nullptr, nullptr, nullptr);
    return load_param_set(ctx, rnd, *s.hex);
}

int failures = 0;

void expect(bool ok, const char* set, const char* what) {
    if (!ok) {
        std::printf("FAIL %s: %s\n", set, what);
        ++failures;
    }
}

// VKO with the context's own public key as the peer's (public) and a public UKM: the
// same point twice, the key re-masked in between.
void agree(SignContext& ctx, const char* set, const char* what) {
    LPoint peer{};
    expect(sign_get_public_key(&ctx, &peer, nullptr) == 0, set, "get_public_key");
    uint8_t m[32] = {}, a[64], b[64];
    for (int i = 24; i < 32; ++i) m[i] = uint8_t(0x11 * i);
    expect(sign_agree(&ctx, &peer, m, a) == 0, set, what);
    expect(sign_agree(&ctx, &peer, m, b) == 0, set, what);
    expect(std::memcmp(a, b, 64) == 0, set, what);
}

void check_set(const Set& s) {
    RND_State rnd{};
    uint8_t seed[64];
    for (int i = 0; i < 64; ++i) seed[i] = uint8_t(3 * i + 1);
    rnd_seed(&rnd, seed);
    SignContext ctx{};
    expect(load(&ctx, &rnd, s) == 0, s.name, "set_parms");

    // A loaded key: d = 0x7a92...3b28 (the standard's example) under a mask.
    auto d = unhex("7a929ade789bb9be10ed359dd39a72c11b60961f49397eee1d19ce9891ec3b28");
    uint8_t masked[64];
    for (int i = 0; i < 32; ++i) {
        masked[32 + i] = uint8_t(0xA5 ^ (7 * i));
        masked[i] = d[size_t(i)] ^ masked[32 + i];
    }
    expect(sign_set_secret_key(&ctx, masked) == 0, s.name, "set_secret_key");
    VALGRIND_MAKE_MEM_UNDEFINED(ctx.secret, sizeof ctx.secret);
    expect(sign_gen_public_key(&ctx) == 0, s.name, "gen_public_key");
    uint8_t digest[32], sig[64];
    for (int n = 0; n < 3; ++n) {
        for (int i = 0; i < 32; ++i) digest[i] = uint8_t(n * 31 + i);
        expect(sign_digest(&ctx, digest, sig) == 0, s.name, "sign");
        expect(sign_verify(&ctx, digest, sig) == 0, s.name, "verify");
    }
    uint8_t out[64];
    expect(sign_get_secret_key(&ctx, out, nullptr) == 0, s.name, "get_secret_key");
    agree(ctx, s.name, "agreement");

    // A generated key, marked secret as soon as it is stored.
    expect(sign_clear(&ctx) == 0, s.name, "clear");
    load(&ctx, &rnd, s);
    expect(sign_gen_secret_key(&ctx) == 0, s.name, "gen_secret_key");
    VALGRIND_MAKE_MEM_UNDEFINED(ctx.secret, sizeof ctx.secret);
    expect(sign_gen_public_key(&ctx) == 0, s.name, "gen_public_key (generated key)");
    expect(sign_digest(&ctx, digest, sig) == 0, s.name, "sign (generated key)");
    expect(sign_verify(&ctx, digest, sig) == 0, s.name, "verify (generated key)");
    agree(ctx, s.name, "agreement (generated key)");

    // The general scalar multiplication with a secret scalar.
    Curve c;
    curve_load(&c, &ctx);
    LPoint base;
    lpoint_load(&base, ctx.base);
    JPoint g, r;
    jpoint_from_lpoint(c, &g, &base);
    uint32_t kw[8];
    for (int i = 0; i < 8; ++i) kw[i] = 0x9E3779B9u * uint32_t(i + 1);
    VALGRIND_MAKE_MEM_UNDEFINED(kw, sizeof kw);
    uint64_t k[4];
    limbs_from_words(k, kw);
    mul_ct(c, g, k, &r);
}

}  // namespace

int main() {
    // Every form of the comb's entry choice that this processor (as valgrind shows it) has.
    const CombSelect forms[] = {CombSelect::Sse2, CombSelect::Avx2};
    int passed = 0, failed = 0;
    for (CombSelect form : forms) {
        if (form == CombSelect::Avx2 && !cpu_has_avx2()) continue;
        comb_select_force(form);
        for (const Set& s : kSets) {
            const int before = failures;
            check_set(s);
            ++(failures == before ? passed : failed);
        }
    }
    comb_select_force(CombSelect::Auto);
    // CryptoPro-A (p = 2^256 - c) runs above on the plain residues of its own shape; its
    // Montgomery path is kept for the other paths' sake and checked here too.
    field_path_force(FieldPath::Montgomery);
    const int before = failures;
    check_set(kSets[1]);
    ++(failures == before ? passed : failed);
    field_path_force(FieldPath::Auto);
    std::printf("%d passed, %d failed\n", passed, failed);
    return failed == 0 ? 0 : 1;
}
