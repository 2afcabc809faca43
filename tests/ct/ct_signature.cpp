// Constant-time check of key generation and signing, run under valgrind's memcheck.
//
// The secret key is marked undefined (both masked halves: their XOR is d) and the library
// marks every nonce k undefined as soon as it is drawn. memcheck then reports any branch
// or memory address that depends on them; the only way back to defined data is the
// library's declassification of one-bit outcomes and of the published r, s and public
// key. Run as `valgrind --error-exitcode=1 vantix_ct_signature`: any report fails it.
// Outside valgrind the marks do nothing and the program only checks its results.
#include <valgrind/memcheck.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "gost3410/signature.h"
#include "random/generator.h"

using namespace vantix;

namespace {

std::vector<uint8_t> unhex(const char* s) {
    std::vector<uint8_t> out;
    for (size_t i = 0; s[i] && s[i + 1]; i += 2) {
        unsigned v = 0;
        std::sscanf(s + i, "%2x", &v);
        out.push_back(uint8_t(v));
    }
    return out;
}

struct Set {
    const char* name;
    const char *p, *q, *a, *b, *x, *y;  // empty p: the built-in test set
};

// RFC 4357, section 11.4.
const Set kSets[] = {
    {"test", "", "", "", "", "", ""},
    {"CryptoPro-A", "FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFD97",
     "FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF6C611070995AD10045841B09B761B893",
     "FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFD94",
     "00000000000000000000000000000000000000000000000000000000000000A6",
     "0000000000000000000000000000000000000000000000000000000000000001",
     "8D91E471E0989CDA27DF505A453F2B7635294F2DDF23E3B122ACC99C9E9F1E14"},
    {"CryptoPro-B", "8000000000000000000000000000000000000000000000000000000000000C99",
     "800000000000000000000000000000015F700CFFF1A624E5E497161BCC8A198F",
     "8000000000000000000000000000000000000000000000000000000000000C96",
     "3E1AF419A269A5F866A7D3C25C3DF80AE979259373FF2B182F49D4CE7E1BBC8B",
     "0000000000000000000000000000000000000000000000000000000000000001",
     "3FA8124359F96680B83D1C3EB2C070E5C545C9858D03ECFB744BF8D717717EFC"},
    {"CryptoPro-C", "9B9F605F5A858107AB1EC85E6B41C8AACF846E86789051D37998F7B9022D759B",
     "9B9F605F5A858107AB1EC85E6B41C8AA582CA3511EDDFB74F02F3A6598980BB9",
     "9B9F605F5A858107AB1EC85E6B41C8AACF846E86789051D37998F7B9022D7598",
     "000000000000000000000000000000000000000000000000000000000000805A",
     "0000000000000000000000000000000000000000000000000000000000000000",
     "41ECE55743711A8C3CBF3783CD08C0EE4D4DC440D4641A8F366E550DFDB3BB67"},
};

int failures = 0;

void expect(bool ok, const char* set, const char* what) {
    if (!ok) {
        std::printf("FAIL %s: %s\n", set, what);
        ++failures;
    }
}

void check_set(const Set& s) {
    RND_State rnd{};
    uint8_t seed[64];
    for (int i = 0; i < 64; ++i) seed[i] = uint8_t(3 * i + 1);
    rnd_seed(&rnd, seed);
    SignContext ctx{};
    int rc;
    if (*s.p == 0) {
        rc = sign_set_parms(&ctx, &rnd, nullptr, 32, nullptr, 32, nullptr, nullptr, nullptr);
    } else {
        auto p = unhex(s.p), q = unhex(s.q), a = unhex(s.a), b = unhex(s.b), x = unhex(s.x), y = unhex(s.y);
        LPoint g{};
        std::memcpy(g.x, x.data(), 32);
        std::memcpy(g.y, y.data(), 32);
        rc = sign_set_parms(&ctx, &rnd, p.data(), 32, q.data(), 32, a.data(), b.data(), &g);
    }
    expect(rc == 0, s.name, "set_parms");

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

    // A generated key, marked secret as soon as it is stored.
    sign_clear(&ctx);
    if (*s.p == 0) sign_set_parms(&ctx, &rnd, nullptr, 32, nullptr, 32, nullptr, nullptr, nullptr);
    else {
        auto p = unhex(s.p), q = unhex(s.q), a = unhex(s.a), b = unhex(s.b), x = unhex(s.x), y = unhex(s.y);
        LPoint g{};
        std::memcpy(g.x, x.data(), 32);
        std::memcpy(g.y, y.data(), 32);
        sign_set_parms(&ctx, &rnd, p.data(), 32, q.data(), 32, a.data(), b.data(), &g);
    }
    expect(sign_gen_secret_key(&ctx) == 0, s.name, "gen_secret_key");
    VALGRIND_MAKE_MEM_UNDEFINED(ctx.secret, sizeof ctx.secret);
    expect(sign_gen_public_key(&ctx) == 0, s.name, "gen_public_key (generated key)");
    expect(sign_digest(&ctx, digest, sig) == 0, s.name, "sign (generated key)");
    expect(sign_verify(&ctx, digest, sig) == 0, s.name, "verify (generated key)");

    // The general scalar multiplication with a secret scalar.
    LPoint base, r;
    lpoint_load(&base, ctx.base);
    uint32_t k[8];
    for (int i = 0; i < 8; ++i) k[i] = 0x9E3779B9u * uint32_t(i + 1);
    VALGRIND_MAKE_MEM_UNDEFINED(k, sizeof k);
    lpoint_mul(&base, k, &r, &ctx);
}

}  // namespace

int main() {
    for (const Set& s : kSets) check_set(s);
    std::printf("%d passed, %d failed\n", int(sizeof kSets / sizeof kSets[0]) - (failures ? 1 : 0), failures ? 1 : 0);
    return failures == 0 ? 0 : 1;
}
